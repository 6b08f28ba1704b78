// wsvd_testserve: the daemon with a scripted serve step in place of the SOAP engine,
// for integration tests and benchmarks. The whole request text is read through
// wsvdRequestRead and its first word decides the reply:
//
//   echo ...                 reply with the whole request text
//   reply <bytes> <write>    a reply of <bytes> bytes, byte i being 'a' + i % 26, handed
//                            to wsvdResponseWrite in writes of <write> bytes
//   sleep <ms>               wait <ms> milliseconds (at most 60000), then reply "slept"
//   empty                    write nothing
//   cli <text>               send <text> to the CLI peer, wait at most 5 s for its answer
//                            and reply "status=<replyStatus> <replyMessage>", or "no cli"
//                            when no CLI peer is connected, or "timeout"
//   user                     reply "user=<userName> password=<password>"
//   kind                     reply "kind=<clientKind>" (1 the web server, 2 a local
//                            client, 0 neither)
//   cm <module> <text>       send <text> to cfgmgr as a get of <module>, wait at most 5 s
//                            and reply "status=<status> <data>", or "not sent" or "timeout"
//                            (with webd and cfgmgr: the hops of a typed request, doing
//                            next to nothing at each)
//   anything else            as echo
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "daemon/intake.h"
#include "daemon/startup.h"
#include "daemon/worker.h"
#include "cmclient/cm.h"
#include "platform/util.h"
#include "platform/wsvdreq.h"

namespace {

void write(wsvdRequest *r, const std::string &s) {
    wsvdResponseWrite(r, s.data(), s.size());
}

void replyPattern(wsvdRequest *r, long bytes, long writeSize) {
    if (writeSize < 1) writeSize = 1;
    std::string chunk;
    for (long done = 0; done < bytes; done += writeSize) {
        chunk.clear();
        for (long i = done; i < bytes && i < done + writeSize; i++) chunk += char('a' + i % 26);
        write(r, chunk);
    }
}

// Sends with `send` and waits at most 5 s for the answer: `notSent` when it could not be
// sent, "timeout" when none came, else the status and `answer` (read once it came).
void ask(wsvdRequest *r, std::function<bool()> send, const char *notSent,
         char *wsvdRequest::*answer) {
    auto callSend = [](void *f) { return (*static_cast<std::function<bool()> *>(f))(); };
    wsvdAwait_t outcome = wsvdAnswerAwait(r->answer, 5, callSend, &send);
    if (outcome == WSVD_NOT_SENT) return write(r, notSent);
    if (outcome == WSVD_NO_ANSWER) return write(r, "timeout");
    write(r, "status=" + std::to_string(r->replyStatus) + " " + (r->*answer ? r->*answer : ""));
}

void askCm(wsvdRequest *r, const std::string &rest) {
    size_t space = rest.find(' ');
    std::string module = rest.substr(0, space);
    std::string text = space == std::string::npos ? "" : rest.substr(space + 1);
    auto send = [&] {
        cmRequest_t req{};
        req.operation = CM_OP_GET;
        req.getFlags = CM_GET_EXACT;
        req.text = text.c_str();
        req.seqnum = r->seqnum;
        strlcpy(req.module, module.c_str(), sizeof req.module);
        return cmSendRequest(&req) >= 1;
    };
    ask(r, send, "not sent", &wsvdRequest::replyData);
}

void serve(void *, wsvdRequest *r) {
    std::string text;
    char chunk[1000];
    size_t n;
    while ((n = wsvdRequestRead(r, chunk, sizeof chunk)) > 0) text.append(chunk, n);

    size_t end = text.find_first_of(" \t\r\n");
    std::string word = text.substr(0, end);
    std::string rest = end == std::string::npos ? "" : text.substr(end + 1);
    if (word == "reply") {
        long bytes = 0, writeSize = 0;
        sscanf(rest.c_str(), "%ld %ld", &bytes, &writeSize);
        replyPattern(r, bytes, writeSize);
    } else if (word == "sleep") {
        long ms = atol(rest.c_str());
        if (ms > 60000) ms = 60000;
        if (ms > 0) usleep(static_cast<useconds_t>(ms) * 1000);
        write(r, "slept");
    } else if (word == "empty") {
    } else if (word == "cli") {
        auto send = [&] { return wsvdSendCliRequest(r, rest.c_str()) >= 1; };
        ask(r, send, "no cli", &wsvdRequest::replyMessage);
    } else if (word == "cm") {
        askCm(r, rest);
    } else if (word == "user") {
        write(r, std::string("user=") + r->userName + " password=" + r->password);
    } else if (word == "kind") {
        write(r, "kind=" + std::to_string(r->clientKind));
    } else {
        write(r, text);
    }
}

}  // namespace

int main(int argc, char **argv) {
    static const wsvdServeOps ops = {nullptr, serve, nullptr, nullptr};
    wsvdSetServeOps(&ops);
    return wsvdMain(argc, argv);
}
