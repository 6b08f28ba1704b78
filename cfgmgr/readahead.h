// Answers computed ahead of a get-next walk (cmclient/cm_readahead.h).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cfgmgr/store.h"

struct cfgAheadAnswer {
    std::string request;  // canonical text of the get-next it answers
    cfgReply_t reply;
};

// The answers to the get-next requests a walk would send after `first`, which was
// answered with `reply`: at most `count`, ending with the answer that ends the walk (a
// failure or no row). None for objects whose rows may change without a set (views), or
// that have no keys to walk by.
std::vector<cfgAheadAnswer> cfgReadAhead(const char *first, const cfgReply_t &reply,
                                         uint32_t count);

// A walk's request with its reply and its answers read ahead: one batch.
struct cfgAheadBatch {
    std::string request;   // canonical text of the get-next
    uint32_t ahead = 0;    // answers it asks for
    uint64_t changes = 0;  // the store's change count it was computed at (cmclient/cmlink.h)
    cfgReply_t reply;
    std::vector<cfgAheadAnswer> answers;
};

// The batch a walk asks for once it has taken `sent` (a batch of `asked` answers read
// ahead, just sent): the get-next after the last answer, asking for twice as many (as
// the frontend library does), with its answers. False when the walk ends within `sent`.
bool cfgNextBatch(const std::vector<cfgAheadAnswer> &sent, uint32_t asked, cfgAheadBatch *next);
