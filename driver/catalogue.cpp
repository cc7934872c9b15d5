// Command builder and reply parser (filled in by the driver work).
