// ZephSysSock.h - platform layer: bringing the socket library up and down.
// Portable code reaches it only through ZephSysSocks, a table that tests may
// swap to make start-up or clean-up fail with a chosen code.
#ifndef QUORVEL_SUPPORT_ZEPHSYSSOCK_H
#define QUORVEL_SUPPORT_ZEPHSYSSOCK_H

struct ZephSysSockTable {
    // Starts the socket library, version 1.1. 0, or -1 with *error set.
    int (*startup)(int* error);
    // Takes it down once. 0, or -1 with *error set to the socket error code.
    int (*cleanup)(int* error);
    // Hands a diagnostic line to the platform's debug trace.
    void (*trace)(const char* text);
};

extern ZephSysSockTable ZephSysSocks;              // what the library calls
extern const ZephSysSockTable ZephSysSocksDefault; // the real platform calls

#endif
