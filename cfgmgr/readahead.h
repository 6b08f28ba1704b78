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
