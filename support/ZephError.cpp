// ZephError.cpp - texts of the platform error codes.
#include "ZephError.h"

const char* ZephErrorText(ZephError error) {
    switch (error) {
    case ZephErrNone: return "no error";
    case ZephErrNotFound: return "not found";
    case ZephErrAccess: return "access denied";
    case ZephErrExists: return "already exists";
    case ZephErrNoSpace: return "no space left";
    case ZephErrIo: return "input/output error";
    case ZephErrNoMemory: return "out of memory";
    case ZephErrInvalid: return "invalid argument";
    case ZephErrBusy: return "busy";
    case ZephErrUnsupported: return "not supported";
    }
    return "unknown error";
}
