// Stand-ins for the configuration manager, the CLI process and the AAA service, linked
// into the handler tests in place of their client libraries. Each answers at once, on
// the calling thread, by filling the active request record the way the daemon's
// callbacks do and ending the wait (wsvdAnswerDeliver).
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct wsvdRequest;

struct FakeCmCall {
    uint32_t operation;
    uint32_t getFlags;
    uint32_t seqnum;
    std::string module;
    std::string text;
};

struct FakeCmReply {
    int sendResult = 1;  // below 1: nothing sent, no reply
    uint32_t status = 1;
    std::optional<std::string> message, data;
};

// A successful reply carries its data, even empty, as cfgmgr's are; `status` 2 is a
// get-next's "more follow".
inline FakeCmReply cmOk(const std::string &data = "", uint32_t status = 1) {
    return {1, status, std::nullopt, data};
}
inline FakeCmReply cmStatus(uint32_t status, const char *message = nullptr) {
    return {1, status, message ? std::optional<std::string>(message) : std::nullopt, {}};
}

struct FakeCliCall {
    std::vector<std::string> commands;
    uint32_t seqnum;
};

enum class FakeAaa { refuse, readOnly, readWrite };

struct FakePeers {
    wsvdRequest *active = nullptr;  // the request the answers go to
    std::vector<FakeCmCall> cmCalls;
    std::function<FakeCmReply(const FakeCmCall &)> cmAnswer = [](const FakeCmCall &) {
        return cmOk();
    };
    std::vector<FakeCliCall> cliCalls;
    std::vector<std::string> cliOutput;  // output events of every run
    bool cliStarted = true;              // false: the CLI link is not up yet, no events
    FakeAaa aaa = FakeAaa::readWrite;
    int aaaCalls = 0;
};

extern FakePeers gFake;
