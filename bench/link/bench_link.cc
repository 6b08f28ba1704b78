// bench_link: round trips over wsvd's request link.
//
// Starts a switch of its own (platformd with wsvd_testserve as wsvd, on a temporary tree,
// through the integration-test harness), then for 1 and for 16 concurrent peers sends
// small requests ("echo hi") back to back on each connection for a fixed time and
// reports requests per second and the median and 99th-percentile round-trip latency.
//
//   cmake --build <tree> --target bench_link platformd wsvd_testserve
//   <tree>/bin/bench_link [-d seconds-per-run]      (default 3; at most 60)
//
// It stops by itself: every round trip is bounded by a 5-second timeout, each run by
// its duration, and the switch is stopped at the end. Exit status 1 when the switch
// cannot be started or a round trip fails.
#include <getopt.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/switch_harness.h"

namespace {

using Clock = std::chrono::steady_clock;

struct RunResult {
    uint64_t requests = 0;
    double seconds = 0;
    std::vector<double> latenciesUs;
    bool failed = false;
};

// One peer: its own connection, requests back to back until `end`.
void peerLoop(int link, Clock::time_point end, std::vector<double> *latencies,
              std::atomic<bool> *failed) {
    std::string error;
    wsvcConn_t *conn = wsvcConnect("wsvc", link, 5000, &error);
    if (!conn) {
        fprintf(stderr, "bench_link: %s\n", error.c_str());
        *failed = true;
        return;
    }
    wsvcRequest_t request;
    request.text = "echo hi";
    std::string reply;
    for (uint32_t id = 1; Clock::now() < end && !*failed; id++) {
        request.requestId = id;
        auto start = Clock::now();
        if (wsvcRoundTrip(conn, request, &reply, 5000) != 0 || reply != "echo hi") {
            fprintf(stderr, "bench_link: round trip failed: %s\n", wsvcError(conn));
            *failed = true;
            break;
        }
        latencies->push_back(
            std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    wsvcClose(conn);
}

RunResult run(int link, int peers, int seconds) {
    std::vector<std::vector<double>> latencies(peers);
    std::atomic<bool> failed{false};
    auto begin = Clock::now();
    auto end = begin + std::chrono::seconds(seconds);
    std::vector<std::thread> threads;
    for (int i = 0; i < peers; i++)
        threads.emplace_back(peerLoop, link, end, &latencies[i], &failed);
    for (std::thread &t : threads) t.join();
    RunResult r;
    r.seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    for (auto &l : latencies) r.latenciesUs.insert(r.latenciesUs.end(), l.begin(), l.end());
    r.requests = r.latenciesUs.size();
    r.failed = failed;
    std::sort(r.latenciesUs.begin(), r.latenciesUs.end());
    return r;
}

double percentile(const std::vector<double> &sorted, double p) {
    if (sorted.empty()) return 0;
    size_t i = size_t(p * double(sorted.size() - 1) + 0.5);
    return sorted[std::min(i, sorted.size() - 1)];
}

}  // namespace

int main(int argc, char **argv) {
    int seconds = 3, c;
    while ((c = getopt(argc, argv, "d:h")) != -1) {
        if (c == 'd' && atoi(optarg) >= 1 && atoi(optarg) <= 60) {
            seconds = atoi(optarg);
        } else {
            fprintf(stderr, "usage: bench_link [-d seconds-per-run (1-60)]\n");
            return c == 'h' ? 0 : 2;
        }
    }
    signal(SIGPIPE, SIG_IGN);
    SwitchHarness sw({"wsvd=wsvd_testserve"});
    if (!sw.start()) {
        fprintf(stderr, "bench_link: the switch did not start (is %s/platformd built?)\n",
                SwitchHarness::binDir().c_str());
        return 1;
    }
    int link = sw.wsvdLink();
    int status = 0;
    printf("%-6s %10s %12s %12s %12s\n", "peers", "requests", "requests/s", "median us", "p99 us");
    for (int peers : {1, 16}) {
        RunResult r = run(link, peers, seconds);
        printf("%-6d %10llu %12.0f %12.1f %12.1f\n", peers, (unsigned long long)r.requests,
               double(r.requests) / r.seconds, percentile(r.latenciesUs, 0.5),
               percentile(r.latenciesUs, 0.99));
        fflush(stdout);
        if (r.failed) status = 1;
    }
    return status;
}
