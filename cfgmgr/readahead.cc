#include "cfgmgr/readahead.h"

#include <algorithm>
#include <cstring>

#include "cfgmgr/request.h"
#include "cfgmgr/rows.h"
#include "cmclient/cm.h"
#include "cmclient/cm_readahead.h"

std::vector<cfgAheadAnswer> cfgReadAhead(const char *first, const cfgReply_t &reply,
                                         uint32_t count) {
    std::vector<cfgAheadAnswer> answers;
    if (!first || reply.status == 0 || reply.data.empty()) return answers;
    cfgObjectText request;
    std::string why;
    if (cfgRequestRead(first, strlen(first), &request, &why) != 0 || request.operation != "get")
        return answers;
    const cfgTable *table = cfgTableFind(request.module, request.object);
    if (!table) return answers;
    const cfgObjectDecl &decl = table->decl();
    if (decl.keys.empty() || decl.kind == cfgKind::view || decl.kind == cfgKind::op) return answers;

    cmGivenFields given;
    for (const cfgGivenField &f : request.fields) given[f.name] = f.text;
    const cfgReply_t *previous = &reply;
    while (answers.size() < count) {
        // The next request names the row just answered by its whole key. Where the key
        // comes from cannot make an answer wrong: each is computed for the very text it
        // is handed over for.
        cmGivenFields key(previous->lastKey.begin(), previous->lastKey.end());
        bool whole = true;
        for (size_t k : decl.keys) {
            auto it = key.find(decl.fields[k].name);
            if (it == key.end() || it->second.empty()) whole = false;
            if (whole) given[it->first] = it->second;
        }
        if (!whole) break;
        cfgAheadAnswer answer;
        answer.request = cmCanonicalGet(request.module, request.object, given);
        answer.reply = cfgStoreHandle(CM_GET_NEXT, answer.request.c_str());
        answers.push_back(std::move(answer));
        previous = &answers.back().reply;
        if (previous->status == 0 || previous->data.empty()) break;
    }
    return answers;
}

bool cfgNextBatch(const std::vector<cfgAheadAnswer> &sent, uint32_t asked, cfgAheadBatch *next) {
    // The library carries on only after an answer that says more follow.
    if (sent.size() < asked || sent.empty() || sent.back().reply.status != 2) return false;
    next->ahead = std::min<uint32_t>(asked * 2, CM_READ_AHEAD_MOST);
    std::vector<cfgAheadAnswer> answers =
        cfgReadAhead(sent.back().request.c_str(), sent.back().reply, next->ahead + 1);
    if (answers.empty()) return false;
    next->request = std::move(answers.front().request);
    next->reply = std::move(answers.front().reply);
    answers.erase(answers.begin());
    next->answers = std::move(answers);
    return true;
}
