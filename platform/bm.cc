#include "platform/bm.h"

#include <cstdlib>

// One heap block per packet: the record, then the headroom, then the usable area.
bmPacket_t *bmAllocPacket(uint32_t size, uint32_t headroom, int count, int /*flags*/) {
    if (count < 1) return nullptr;
    size_t total = sizeof(bmPacket_t) + static_cast<size_t>(headroom) + size;
    auto *block = static_cast<uint8_t *>(calloc(1, total));
    if (!block) return nullptr;
    auto *p = reinterpret_cast<bmPacket_t *>(block);
    p->data = block + sizeof(bmPacket_t) + headroom;
    p->size = size;
    p->length = size;
    p->headroom = headroom;
    return p;
}

void bmFree(bmPacket_t *packet) {
    free(packet);
}

int bmTrimPacket(bmPacket_t *packet, uint32_t length) {
    if (!packet || length > packet->size) return -1;
    packet->length = length;
    return 0;
}

int bmUnTrimPacket(bmPacket_t *packet) {
    if (!packet) return -1;
    packet->length = packet->size;
    return 0;
}
