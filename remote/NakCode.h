#pragma once
// The refusal codes of the remote-control protocol, sent as two digits after NAK. The
// enumerators carry the names that the test client shows.
#include <cstdint>

enum class NakCode : int16_t {
    CMD = 1,  // not a command of the server
    PRM = 2,  // no such parameter number, or a value or item the handler refuses
    FMT = 3,  // frame of 6 characters or fewer
    CHK = 4,  // wrong checksum
    REQ = 5,  // not allowed in the present run phase
    UNK = 6,  // a failure while the handler ran
    TMO = 7,  // the program is shutting down
};
