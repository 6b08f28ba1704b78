// Stand-ins for the configuration manager, the CLI process and the AAA service, linked
// into the handler tests in place of their client libraries. Each answers at once, on
// the calling thread, by filling the active request record the way the daemon's
// callbacks do and ending the wait (wsvdAnswerDeliver).
#pragma once
#include <cstdint>
#include <functional>
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
    bool hasMessage = false;
    std::string message;
    bool hasData = false;
    std::string data;
};

// A successful reply carries its data, even empty, as cfgmgr's are; `status` 2 is a
// get-next's "more follow".
inline FakeCmReply cmOk(const std::string &data = "", uint32_t status = 1) {
    FakeCmReply r;
    r.status = status;
    r.hasData = true;
    r.data = data;
    return r;
}
inline FakeCmReply cmStatus(uint32_t status, const char *message = nullptr) {
    FakeCmReply r;
    r.status = status;
    r.hasMessage = message != nullptr;
    if (message) r.message = message;
    return r;
}

struct FakeCliCall {
    std::string client;
    std::vector<std::string> commands;
    int flags;
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
    std::string aaaUser;
};

extern FakePeers gFake;
