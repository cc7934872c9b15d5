/*
 * R70COM32 - driver library for the R30 / R70 / R70-USB ISDN terminal adapter.
 *
 * Every command goes through D_SendDrvCmd, which takes a command code and a
 * DRVPARAM record owned by the caller; the library turns it into AT exchanges
 * on the serial line and writes the device's answer back into the record.
 * Beside it, the library tells why a port failed or was left alone
 * (D_LastOpenError, D_PortReason), which path a COM name is (D_PortPath),
 * takes the user's choice of port (D_ChoosePort), records the exchanges for a
 * check of the device (D_WatchLine, D_TakeExchange) and says what a USB
 * adapter holds back (D_LineAdapter). Nothing else is exported.
 *
 * Usable from C and C++. Every call is serialised by one lock inside the
 * library; calls block for the sum of their read budgets and fixed waits.
 *
 * 64-bit address overlay: commands that carry a caller address (29, 30, 52,
 * 53: a text buffer to fill; 34: the bytes to write) take it as an 8-byte
 * little-endian word in szText bytes 0-7 and the buffer's capacity (29, 30,
 * 52, 53) or the byte count (34) as an int32 in szText bytes 8-11. The
 * library never writes beyond that capacity and always ends the text with a
 * NUL inside it. Use drv_set_buffer() / drv_set_write_data() to fill them.
 *
 * 32-bit builds keep the record's own overlays, so that a program written
 * against the record's field table works unchanged: the address in nAux (29,
 * 52, 53) or in nValue (30, 34), the byte count of 34 in nAux. The table has
 * no room for a text buffer's size, and such a program leaves in szText
 * whatever was there, so the library takes the buffer to be the size the
 * record's commands were made for: 960 bytes for 29 and 30 (the log and
 * charge texts), 300 bytes for 52 and 53 (the status texts). A size counts
 * only where drv_set_buffer() set it: the helper writes the address into both
 * nAux and nValue (nValue is an output of 29 and unused by 52 and 53), a
 * marker into szText bytes 4-7, the size into bytes 8-11 and into bytes 12-15
 * a check word made from the address and the size, which bytes left over from
 * earlier use match only by a chance of one in 2^64.
 *
 * Ports: one COM map is taken per search (command 0) and kept until the next
 * one, so COMn names the same port for as long as the program works with it.
 * COM1 is the port chosen with D_ChoosePort while it is present; then come
 * the serial ports of this machine from sysfs, USB and ACM adapters before
 * built-in ports, each by its stable name (/dev/serial/by-id/..., else
 * by-path, else the node), in natural order (ttyS2 before ttyS10), up to
 * COM8. The system console (sysfs class/tty/console/active) gets no COM
 * name, nor does a line that is some process's controlling terminal (a
 * login); a line another program drives (a line discipline other than the
 * normal one), holds exclusively (TIOCEXCL, flock, a UUCP lock file
 * LCK..name) is left untouched when it is opened. Every port gets the line
 * settings it had back on close. Where sysfs cannot be
 * read the fixed map follows: COM1 /dev/ttyS0, COM2 /dev/ttyS1, COM3
 * /dev/ttyUSB0, COM4 /dev/ttyUSB1, COM5 /dev/ttyACM0, COM6 /dev/ttyACM1,
 * COM7 /dev/ttyS2, COM8 /dev/ttyS3. R70COM_PORTS, when set, overrides all
 * of it: the ports it lists have its paths, the others the fixed map.
 * R70COM_ROOT=DIR reads DIR/sys and DIR/dev instead of /sys and /dev and
 * keeps lock files in DIR/var/lock (a fake machine for tests). A device
 * lost (the adapter unplugged) is looked for again by every name its port
 * had (USB serial number, by-path, by-id, node), then among the adapters of
 * its kind and the ports that came since; every command that finds the line
 * hung up does that once, and command 57 keeps at it for some seconds.
 * On Windows the ports are the system's COM ports (\\.\COMn, opened
 * without sharing): USB adapters first, then the others, each in the order
 * of their numbers, the chosen port first, R70COM_PORTS as on Linux; the
 * finding again is Linux only.
 *
 * Line trace: when R70COM_TRACE names a file (read at every open), the
 * library appends one line per exchange: timestamp with milliseconds, the
 * COM name, the command as sent and the reply with <CR>, <LF> and \xNN for
 * control bytes, and the read result; raw writes as "write N bytes"; open,
 * close, speed and DTR as short lines. Off when the variable is not set.
 */
#ifndef R70COM32_H
#define R70COM32_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

/* On Windows the exports are listed in R70COM32.def (D_SendDrvCmd is ordinal
 * 2) and use the standard calling convention: the callee pops the arguments. */
#if defined(_WIN32)
#define R70COM32_API
#define R70COM32_CALL __stdcall
#elif defined(R70COM32_BUILDING)
#define R70COM32_API __attribute__((visibility("default")))
#define R70COM32_CALL
#else
#define R70COM32_API
#define R70COM32_CALL
#endif

/* The parameter record: int32 fields are signed little-endian, no padding. */
typedef struct DRVPARAM {
    int32_t nCmd;     /* command code, written by D_SendDrvCmd for commands using the record */
    int32_t nPort;    /* 11, 21, 22, 31, 32 analog port; below 11 data port / device-wide */
    int32_t nIndex;   /* entry index or sub-selector */
    int32_t nOp;      /* 0 query, 1 set, 2 clear, 3 query 2nd form, 4 set 2nd form */
    char szCmd[52];   /* written back: the AT text sent, without its CR */
    int32_t bReply;   /* written back: 1 when a reply came */
    int32_t bOk;      /* written back: 1 when the reply held "OK" */
    int32_t bFlag;    /* boolean value */
    int32_t nValue;   /* integer value; overlays per command */
    char szText[32];  /* text value; overlays per command */
    char szText2[32]; /* second text (upper end of a range); bytes 16-19 USB flag (cmd 31) */
    char szText3[32]; /* third text (LCR provider prefix) */
    int32_t nFrom;    /* lower end of a range (LCR hours) */
    int32_t nTo;      /* upper end of a range */
} DRVPARAM;

#ifdef __cplusplus
#define R70COM32_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define R70COM32_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif
R70COM32_STATIC_ASSERT(sizeof(DRVPARAM) == 188, "DRVPARAM must be 188 bytes");
R70COM32_STATIC_ASSERT(offsetof(DRVPARAM, nCmd) == 0, "nCmd offset");
R70COM32_STATIC_ASSERT(offsetof(DRVPARAM, nPort) == 4, "nPort offset");
R70COM32_STATIC_ASSERT(offsetof(DRVPARAM, nIndex) == 8, "nIndex offset");
R70COM32_STATIC_ASSERT(offsetof(DRVPARAM, nOp) == 12, "nOp offset");
R70COM32_STATIC_ASSERT(offsetof(DRVPARAM, szCmd) == 16, "szCmd offset");
R70COM32_STATIC_ASSERT(offsetof(DRVPARAM, bReply) == 68, "bReply offset");
R70COM32_STATIC_ASSERT(offsetof(DRVPARAM, bOk) == 72, "bOk offset");
R70COM32_STATIC_ASSERT(offsetof(DRVPARAM, bFlag) == 76, "bFlag offset");
R70COM32_STATIC_ASSERT(offsetof(DRVPARAM, nValue) == 80, "nValue offset");
R70COM32_STATIC_ASSERT(offsetof(DRVPARAM, szText) == 84, "szText offset");
R70COM32_STATIC_ASSERT(offsetof(DRVPARAM, szText2) == 116, "szText2 offset");
R70COM32_STATIC_ASSERT(offsetof(DRVPARAM, szText3) == 148, "szText3 offset");
R70COM32_STATIC_ASSERT(offsetof(DRVPARAM, nFrom) == 180, "nFrom offset");
R70COM32_STATIC_ASSERT(offsetof(DRVPARAM, nTo) == 184, "nTo offset");
#define R70COM32_FIELD_SIZE(f) sizeof(((DRVPARAM*)0)->f)
R70COM32_STATIC_ASSERT(R70COM32_FIELD_SIZE(nCmd) == 4 && R70COM32_FIELD_SIZE(nPort) == 4 &&
                           R70COM32_FIELD_SIZE(nIndex) == 4 && R70COM32_FIELD_SIZE(nOp) == 4,
                       "nCmd, nPort, nIndex, nOp are int32");
R70COM32_STATIC_ASSERT(R70COM32_FIELD_SIZE(szCmd) == 52, "szCmd is char[52]");
R70COM32_STATIC_ASSERT(R70COM32_FIELD_SIZE(bReply) == 4 && R70COM32_FIELD_SIZE(bOk) == 4 &&
                           R70COM32_FIELD_SIZE(bFlag) == 4 && R70COM32_FIELD_SIZE(nValue) == 4,
                       "bReply, bOk, bFlag, nValue are int32");
R70COM32_STATIC_ASSERT(R70COM32_FIELD_SIZE(szText) == 32 && R70COM32_FIELD_SIZE(szText2) == 32 &&
                           R70COM32_FIELD_SIZE(szText3) == 32,
                       "szText, szText2, szText3 are char[32]");
R70COM32_STATIC_ASSERT(R70COM32_FIELD_SIZE(nFrom) == 4 && R70COM32_FIELD_SIZE(nTo) == 4,
                       "nFrom, nTo are int32");
/* The overlays: the boot-code text of command 31 runs from nValue on into
 * szText, so the two must touch; the USB flag (31) is szText2 bytes 16-19, the
 * EID text (48) szText bytes 4-31 behind nAux. */
R70COM32_STATIC_ASSERT(offsetof(DRVPARAM, szText) == offsetof(DRVPARAM, nValue) + 4,
                       "szText follows nValue (boot-code text of command 31)");
R70COM32_STATIC_ASSERT(16 + 4 <= R70COM32_FIELD_SIZE(szText2), "USB flag inside szText2");
R70COM32_STATIC_ASSERT(4 + 28 == R70COM32_FIELD_SIZE(szText), "EID text fills szText behind nAux");
#if UINTPTR_MAX > 0xFFFFFFFFu
/* 64 bits: an 8-byte address and an int32 capacity in szText bytes 0-11. */
R70COM32_STATIC_ASSERT(sizeof(void*) == 8 && 8 + 4 <= R70COM32_FIELD_SIZE(szText),
                       "64-bit address overlay fits szText");
#else
/* 32 bits: the record's own overlays carry an address in one int32 (nAux, nValue). */
R70COM32_STATIC_ASSERT(sizeof(void*) == sizeof(int32_t) && sizeof(uintptr_t) == 4,
                       "a 32-bit address fits nAux and nValue");
#endif

/* Command codes. */
enum {
    DRV_FINDPORT = 0,
    DRV_PING = 1,
    DRV_NOP = 2,
    DRV_CLOSE = 3,
    DRV_MSN = 4,
    DRV_CLIP = 5,
    DRV_STORE = 6,
    DRV_PORTTIMER = 7,
    DRV_CLOCK = 8,
    DRV_CALLWAIT = 9,
    DRV_VOLUME = 10,
    DRV_RINGDELAY = 11,
    DRV_CALLERID = 12,
    DRV_ACCEPT = 13,
    DRV_SPECIALRING = 14,
    DRV_SHORTDIAL = 15,
    DRV_DIALWAIT = 16,
    DRV_CFU = 17,
    DRV_CFNR = 18,
    DRV_CFB = 19,
    DRV_FILTER = 20,
    DRV_FILTERNUM = 21,
    DRV_LCR = 22,
    DRV_LCRTIME = 23,
    DRV_LCRPREFIX = 24,
    DRV_LCRLOCAL = 25,
    DRV_LCRACTIVE = 26,
    DRV_LCRRANGE = 27,
    DRV_LCRRANGEACTIVE = 28,
    DRV_LOG = 29,
    DRV_CHARGE = 30,
    DRV_IDENT = 31,
    DRV_CALLCHECK = 32,
    DRV_DOWNLOAD = 33,
    DRV_WRITERAW = 34,
    DRV_DOWNLOADRESULT = 35,
    DRV_NOP1 = 36,
    DRV_BOOTPROBE = 37,
    DRV_SETSPEED = 38,
    DRV_LCDGERMAN = 39,
    DRV_CHGUNIT = 40,
    DRV_AREACODE = 41,
    DRV_PABXPREFIX = 42,
    DRV_INTLPREFIX = 43,
    DRV_CALLBACK = 44,
    DRV_CALLBACKNUM = 45,
    DRV_DIAL = 46,
    DRV_DATAPROTO = 47,
    DRV_EID = 48,
    DRV_BODREG = 49,
    DRV_ISDNSTATUS = 50,
    DRV_DISCCAUSE = 51,
    DRV_ATIMPORTANT = 52,
    DRV_ATCHANGED = 53,
    DRV_LINESTATE = 54,
    DRV_PING2 = 55,
    DRV_BOOTPROBE2 = 56,
    DRV_REOPEN = 57
};

/* Speed codes of command 38 (low byte of nValue). */
enum { DRV_SPEED_115200 = 1, DRV_SPEED_57600 = 2, DRV_SPEED_19200 = 6 };

/*
 * Sends one command. Returns 0 success / reply received, -2 no reply or no
 * device, -1 no reply to a presence test or call check, 1/2/3 as listed per
 * command. Codes above 57 do nothing and return 0. Commands that use no
 * record (0-3, 6, 32, 33, 35, 36, 55, 57) accept a null pointer.
 */
R70COM32_API int32_t R70COM32_CALL D_SendDrvCmd(uint16_t code, DRVPARAM* p);

/*
 * Why opening a COM port failed, for the program's messages (an extension:
 * D_SendDrvCmd itself only says -2). index is 0 for COM1 ... 7 for COM8 of
 * the last search's map. Copies "COMn (path): reason" in English into text
 * (NUL-terminated, cut to size) and returns one of the DRV_OPENERR_ codes for
 * the last attempt on that port. text may be null when only the code is
 * wanted.
 */
enum {
    DRV_OPENERR_NONE = 0,      /* not tried yet, or opened fine */
    DRV_OPENERR_ABSENT = 1,    /* no device node / port not configured */
    DRV_OPENERR_DENIED = 2,    /* permission denied */
    DRV_OPENERR_BUSY = 3,      /* another program holds the port */
    DRV_OPENERR_NOTSERIAL = 4, /* exists but is not a serial line, or other error */
    DRV_OPENERR_NOANSWER = 5,  /* opened, but no device answered the identification */
    DRV_OPENERR_LEFTALONE = 6  /* the system or another program uses it: not touched */
};
R70COM32_API int32_t R70COM32_CALL D_LastOpenError(int32_t index, char* text, int32_t size);

/* The longest path the library opens is DRV_MAX_PATH - 1 characters; a
 * longer one is refused (DRV_WHY_TOOLONG), never cut. */
enum { DRV_MAX_PATH = 512 };

/* The finer reason behind a DRV_OPENERR_ code (DRVPORTREASON.nWhy). */
enum {
    DRV_WHY_NONE = 0,       /* the code says it all; szDetail may hold the system's words */
    DRV_WHY_NOPORT = 1,     /* the COM name has no port (no further port on this machine) */
    DRV_WHY_NOPORT_ENV = 2, /* the COM name has no port (R70COM_PORTS gives it none) */
    DRV_WHY_NODEVICE = 3,   /* the path leads to no device */
    DRV_WHY_TOOLONG = 4,    /* the path is longer than nNumber characters */
    DRV_WHY_GROUP = 5,      /* denied; members of group szName may open it */
    DRV_WHY_OWNER = 6,      /* denied; it belongs to szOwner:szName, mode nNumber, no group helps */
    DRV_WHY_TERMINAL = 7,   /* denied; a terminal line of group tty (a login, the console) */
    DRV_WHY_HOLDER = 8,     /* busy; process nPid (szName) holds it (0: not known) */
    DRV_WHY_LOCKFILE = 9,   /* busy; process nPid (szName) locked it with the file szDetail */
    DRV_WHY_CONSOLE = 10,   /* left alone: the system console */
    DRV_WHY_LOGIN = 11,     /* left alone: the controlling terminal of process nPid (szName) */
    DRV_WHY_DISCIPLINE = 12, /* left alone: line discipline nNumber, not the normal 0 */
    DRV_WHY_NOTTTY = 13,     /* not a terminal device */
    DRV_WHY_SETTINGS = 14,   /* the line settings were refused */
    DRV_WHY_SPEED = 15,      /* the line speed could not be set */
    DRV_WHY_OPENBY = 16,     /* left alone (boot probe): process nPid (szName) has it open */
    DRV_WHY_CONNECTING = 17  /* a network port's connection to host szDetail is being made */
};

/* The facts behind the last attempt on a port, for messages in any language. */
typedef struct DRVPORTREASON {
    int32_t nCode;             /* DRV_OPENERR_ */
    int32_t nWhy;              /* DRV_WHY_ */
    int32_t nPid;              /* the process that holds the port; 0 when not known */
    int32_t nNumber;           /* the line discipline, the node's mode, or the longest path */
    char szPath[DRV_MAX_PATH]; /* what was opened: stable name, node or address */
    char szName[64];           /* the holder's program name, or the node's group */
    char szOwner[64];          /* the node's owner */
    char szDetail[256];        /* the system's or the server's own words; the lock file */
} DRVPORTREASON;
R70COM32_STATIC_ASSERT(sizeof(DRVPORTREASON) == 16 + DRV_MAX_PATH + 64 + 64 + 256,
                       "DRVPORTREASON has no padding");

/* Fills reason for COMn (index 0-7, the last search's map) and returns its
 * nCode; an index outside 0-7 gives DRV_OPENERR_ABSENT. */
R70COM32_API int32_t R70COM32_CALL D_PortReason(int32_t index, DRVPORTREASON* reason);

/*
 * The device path of COMn (index 0-7) in the map of the last search (taken
 * now when there was none); after the device was found again elsewhere, the
 * map in which it was found. So the index command 31 reports names the open
 * port itself. Copies the path into path (cut to size); returns its length,
 * or -1 when the port has no path.
 */
R70COM32_API int32_t R70COM32_CALL D_PortPath(int32_t index, char* path, int32_t size);

/*
 * The port the user chose, by its stable name (or any path or rfc2217://
 * address); null or "" to search all ports. It is COM1 of the next search's
 * map while it is present; when it is gone the search walks the other ports.
 * Kept until changed.
 */
R70COM32_API void R70COM32_CALL D_ChoosePort(const char* path);

/*
 * Watching the line (an extension for a check of a device against what the
 * program expects of it; nothing the program does otherwise needs it).
 * D_WatchLine(1) makes the library record every exchange of the line until
 * D_WatchLine(0): the command as written, the reply as received and when its
 * bytes came. While it watches, the library also listens on for
 * DRV_LATE_LISTEN_MS (the environment's R70COM_LISTEN_MS, 0 to 5000, when
 * set) after every reply, whether it ended with the device's final line
 * ("OK" or "ERROR") or not, and after no reply, and records (and drops) what
 * still comes; it notes what waits on the line when a command is written
 * (that came after the previous reply had ended; it is dropped as always).
 * D_TakeExchange copies the oldest record not yet taken into exchange and
 * returns 1, or returns 0 when there is none; the library keeps the last
 * DRV_EXCHANGES_KEPT. Byte arrays are counted, not NUL-terminated; a count
 * may exceed its array, which then holds the first bytes.
 */
enum {
    DRV_EXCHANGE_SENT = 64,
    DRV_EXCHANGE_REPLY = 4096,
    DRV_EXCHANGE_EXTRA = 256,
    DRV_LATE_LISTEN_MS = 250,
    DRV_EXCHANGES_KEPT = 64
};

typedef struct DRVEXCHANGE {
    int32_t nPortIndex;    /* the COM index of the line (0 = COM1) */
    int32_t nResult;       /* the read: 0 a reply came, -2 none */
    int32_t nFirstWaitMs;  /* how long the reader would wait for the first byte */
    int32_t nFirstByteUs;  /* from the start of the read to the first byte; -1 none came */
    int32_t nTotalUs;      /* from the start of the read to the reply's last byte */
    int32_t nLongestGapUs; /* the longest wait for a further byte inside the reply */
    int32_t nGapWaitMs;    /* how long the reader would have waited at that gap */
    int32_t nSilenceMs;    /* the silence after which the reader took the reply as ended */
    int32_t nCapacity;     /* the reply buffer with its NUL: nCapacity - 1 bytes are kept */
    int32_t nReceived;     /* bytes of the reply, kept and dropped */
    int32_t nSent;         /* bytes of the command (0: the read followed no command) */
    int32_t nStale;        /* bytes waiting when the command was written */
    int32_t nLate;         /* bytes after the reply's end, while the library listened on */
    int32_t nLateAfterUs;  /* from the end of the read to the first of them; -1 none */
    char abSent[DRV_EXCHANGE_SENT];   /* the command as written, with its CR */
    char abReply[DRV_EXCHANGE_REPLY]; /* the reply as received */
    char abStale[DRV_EXCHANGE_EXTRA];
    char abLate[DRV_EXCHANGE_EXTRA];
} DRVEXCHANGE;
R70COM32_STATIC_ASSERT(sizeof(DRVEXCHANGE) ==
                           14 * 4 + DRV_EXCHANGE_SENT + DRV_EXCHANGE_REPLY + 2 * DRV_EXCHANGE_EXTRA,
                       "DRVEXCHANGE has no padding");

R70COM32_API int32_t R70COM32_CALL D_WatchLine(int32_t on);
R70COM32_API int32_t R70COM32_CALL D_TakeExchange(DRVEXCHANGE* exchange);

/*
 * What the USB serial adapter of a line holds back (an extension). Its chip
 * passes the device's bytes on in USB packets: a partly filled packet waits
 * for the chip's latency timer (16 ms as an FTDI chip comes), and the host
 * takes them in read requests of several packets. At the open the library
 * asks the adapter to hold as briefly as it can (Linux: ASYNC_LOW_LATENCY,
 * and 1 written to the port's sysfs latency_timer where that can be written;
 * both given back at the close); where the latency is still above 1 ms, or
 * not known, the reader waits longer for a first byte and inside a reply.
 * D_LineAdapter fills adapter for the line opened last (open now or closed
 * since) and returns its nState.
 */
enum {
    DRV_ADAPTER_NONE =
        0, /* no USB serial adapter: a built-in port, a pseudo-terminal, a network port */
    DRV_ADAPTER_UNKNOWN = 1, /* a USB serial port whose latency its driver does not show */
    DRV_ADAPTER_HOLDS =
        2, /* holds nLatencyMs as it was found (nothing to lower, or nothing asked) */
    DRV_ADAPTER_LOWERED = 3, /* the open lowered it from nBeforeMs to nLatencyMs */
    DRV_ADAPTER_STUCK = 4    /* holds nLatencyMs: it could not be lowered (szDetail says why) */
};

typedef struct DRVADAPTER {
    int32_t nPortIndex; /* the COM index of the line; -1 when none was opened */
    int32_t nState;     /* DRV_ADAPTER_ */
    int32_t nLatencyMs; /* how long it holds a partly filled packet; -1 not known */
    int32_t nBeforeMs;  /* what it held when the line was opened; -1 not known */
    int32_t nAllowMs;   /* what the reader adds to its waits for it, at the line's speed now */
    char szDriver[32];  /* the port's driver: ftdi_sio, ch341, pl2303; on Windows its service */
    char szDetail[256]; /* what was asked, and in the system's words what was not done */
} DRVADAPTER;
R70COM32_STATIC_ASSERT(sizeof(DRVADAPTER) == 5 * 4 + 32 + 256, "DRVADAPTER has no padding");

R70COM32_API int32_t R70COM32_CALL D_LineAdapter(DRVADAPTER* adapter);

/* ---- overlay helpers ---- */

/* nAux: the first four bytes of szText as one int32 (commands 47, 48). */
static inline int32_t drv_get_aux(const DRVPARAM* p) {
    int32_t v;
    memcpy(&v, p->szText, sizeof v);
    return v;
}
static inline void drv_set_aux(DRVPARAM* p, int32_t v) {
    memcpy(p->szText, &v, sizeof v);
}

/* Command 48, nPort 12: the EID text lies in szText behind nAux (28 bytes). */
static inline char* drv_eid_text(DRVPARAM* p) {
    return p->szText + 4;
}

/*
 * The 32-bit record's buffer overlay (see the top of this file), written with
 * 32-bit addresses so that it is the same on every word size: the 32-bit
 * library uses it, and tests check it on any machine.
 */
enum { DRV_LOG_TEXT_CAPACITY = 960, DRV_STATUS_TEXT_CAPACITY = 300 };
#define DRV32_BUFFER_MARK 0x42303752u /* "R70B" */
static inline uint32_t drv32_check_word(uint32_t address, int32_t capacity) {
    return (address ^ 0x9E3779B9u) * 0x85EBCA6Bu ^ (uint32_t)capacity * 0xC2B2AE35u;
}
static inline void drv32_set_buffer(DRVPARAM* p, uint32_t address, int32_t capacity) {
    const uint32_t mark = DRV32_BUFFER_MARK;
    const uint32_t check = drv32_check_word(address, capacity);
    memcpy(p->szText, &address, sizeof address); /* nAux: 29, 52, 53 */
    p->nValue = (int32_t)address;                /* 30 */
    memcpy(p->szText + 4, &mark, sizeof mark);
    memcpy(p->szText + 8, &capacity, sizeof capacity);
    memcpy(p->szText + 12, &check, sizeof check);
}
static inline uint32_t drv32_address(const DRVPARAM* p) {
    uint32_t a;
    if (p->nCmd == 30 || p->nCmd == 34) return (uint32_t)p->nValue;
    memcpy(&a, p->szText, sizeof a);
    return a;
}
/* The byte count of 34; for 29, 30, 52 and 53 the size set by
 * drv32_set_buffer(), else the size the command was made for. */
static inline int32_t drv32_capacity(const DRVPARAM* p) {
    uint32_t mark, check;
    int32_t capacity;
    if (p->nCmd == 34) {
        memcpy(&capacity, p->szText, sizeof capacity);
        return capacity;
    }
    memcpy(&mark, p->szText + 4, sizeof mark);
    memcpy(&capacity, p->szText + 8, sizeof capacity);
    memcpy(&check, p->szText + 12, sizeof check);
    if (mark == DRV32_BUFFER_MARK && capacity >= 0 &&
        check == drv32_check_word(drv32_address(p), capacity))
        return capacity;
    return p->nCmd == 52 || p->nCmd == 53 ? DRV_STATUS_TEXT_CAPACITY : DRV_LOG_TEXT_CAPACITY;
}

#if UINTPTR_MAX > 0xFFFFFFFFu
/* Caller text buffer for commands 29, 30, 52, 53. */
static inline void drv_set_buffer(DRVPARAM* p, char* buffer, int32_t capacity) {
    uint64_t a = (uint64_t)(uintptr_t)buffer;
    memcpy(p->szText, &a, sizeof a);
    memcpy(p->szText + 8, &capacity, sizeof capacity);
}
/* Bytes to write for command 34. */
static inline void drv_set_write_data(DRVPARAM* p, const void* data, int32_t count) {
    uint64_t a = (uint64_t)(uintptr_t)data;
    memcpy(p->szText, &a, sizeof a);
    memcpy(p->szText + 8, &count, sizeof count);
}
/* The library's side: the address and the capacity (or count) of command nCmd. */
static inline void* drv_get_address(const DRVPARAM* p) {
    uint64_t a;
    memcpy(&a, p->szText, sizeof a);
    return (void*)(uintptr_t)a;
}
static inline int32_t drv_get_capacity(const DRVPARAM* p) {
    int32_t c;
    memcpy(&c, p->szText + 8, sizeof c);
    return c;
}
#else
/* Caller text buffer for commands 29, 30, 52, 53. */
static inline void drv_set_buffer(DRVPARAM* p, char* buffer, int32_t capacity) {
    drv32_set_buffer(p, (uint32_t)(uintptr_t)buffer, capacity);
}
/* Bytes to write for command 34. */
static inline void drv_set_write_data(DRVPARAM* p, const void* data, int32_t count) {
    p->nValue = (int32_t)(uintptr_t)data;
    memcpy(p->szText, &count, sizeof count);
}
/* The library's side: the address and the capacity (or count) of command nCmd. */
static inline void* drv_get_address(const DRVPARAM* p) {
    return (void*)(uintptr_t)drv32_address(p);
}
static inline int32_t drv_get_capacity(const DRVPARAM* p) {
    return drv32_capacity(p);
}
#endif

/* Clock overlay of command 8: nValue year; szText bytes 0-4 month, day, hour, minute, second. */
static inline void drv_set_clock(DRVPARAM* p, int year, int month, int day, int hour, int minute,
                                 int second) {
    p->nValue = year;
    p->szText[0] = (char)month;
    p->szText[1] = (char)day;
    p->szText[2] = (char)hour;
    p->szText[3] = (char)minute;
    p->szText[4] = (char)second;
}

/* Port timer overlay of command 7, forms 3 and 4: szText byte 2 hour, byte 3 minute. */
static inline void drv_set_port_time(DRVPARAM* p, int hour, int minute) {
    p->szText[2] = (char)hour;
    p->szText[3] = (char)minute;
}

/* Command 54: flag k (0-4) is nValue, then the int32 words of szText bytes 0-15. */
static inline int32_t drv_line_flag(const DRVPARAM* p, int k) {
    int32_t v;
    if (k == 0) return p->nValue;
    memcpy(&v, p->szText + 4 * (k - 1), sizeof v);
    return v;
}

/* Command 31: USB flag in szText2 bytes 16-19. */
static inline int32_t drv_usb_flag(const DRVPARAM* p) {
    int32_t v;
    memcpy(&v, p->szText2 + 16, sizeof v);
    return v;
}
/* Command 31: the boot-code text starts at nValue and runs into szText (36 bytes). */
static inline const char* drv_boot_code_text(const DRVPARAM* p) {
    return (const char*)p + offsetof(DRVPARAM, nValue);
}

#ifdef __cplusplus
}
#endif

#endif /* R70COM32_H */
