// Packet buffers: a fixed-size area with headroom, trimmed to the bytes in use
// while a message is sent.
#pragma once
#include <cstdint>

struct bmPacket_t {
    uint8_t *data;      // start of the usable area (after the headroom)
    uint32_t size;      // usable bytes
    uint32_t length;    // bytes in use (size when not trimmed)
    uint32_t headroom;  // bytes reserved in front of data
};

bmPacket_t *bmAllocPacket(uint32_t size, uint32_t headroom, int count, int flags = 0);
void bmFree(bmPacket_t *packet);
int bmTrimPacket(bmPacket_t *packet, uint32_t length);  // 0, or -1 when length > size
int bmUnTrimPacket(bmPacket_t *packet);                 // length back to size
