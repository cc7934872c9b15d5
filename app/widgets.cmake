# The Qt widgets (a thin layer over quorvex_core) and the desktop program.
