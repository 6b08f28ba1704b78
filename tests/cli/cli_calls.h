// Runs command lists through the subagent library and records, per sequence number,
// the output and end events each call got.
#pragma once
#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/cli/clisub.h"
#include "platform/dispatch.h"

struct CliCall {
    std::string output;
    int ends = 0;
    uint32_t status = 0;  // of the last end
};
inline std::map<uint32_t, CliCall> gCliCalls;

inline void onCliEvent(int event, cliEventData_t *d) {
    CliCall &c = gCliCalls[d->seqnum];
    if (event == CLI_EVENT_OUTPUT) c.output.append(d->text, d->length);
    if (event == CLI_EVENT_END) {
        c.ends++;
        c.status = d->status;
    }
}

// Runs the dispatcher until the call has ended `ends` times (bounded in real time).
inline bool waitCliEnd(uint32_t seqnum, int timeoutMs = 10000, int ends = 1) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (gCliCalls[seqnum].ends < ends && std::chrono::steady_clock::now() < deadline)
        dispatchRunOnce(50);
    return gCliCalls[seqnum].ends >= ends;
}

inline std::vector<char *> cliList(std::vector<std::string> &texts) {
    std::vector<char *> list;
    for (std::string &t : texts) list.push_back(t.data());
    list.push_back(nullptr);
    return list;
}

inline int executeCli(std::vector<std::string> commands, uint32_t seqnum,
                      const char *user = "xmlapi") {
    return karnExecuteCLI(user, cliList(commands).data(), 0, seqnum);
}

// With variables ("NAME=value" each).
inline int executeCliWith(std::vector<std::string> commands, std::vector<std::string> variables,
                          uint32_t seqnum) {
    return karnExecuteCLIWithVariables("test", cliList(commands).data(),
                                       cliList(variables).data(), 0, seqnum);
}
