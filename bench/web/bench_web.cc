// bench_web: requests per second and latency through webd (HTTP keep-alive, echo by
// the test daemon) at 1, 8 and 64 client connections, beside a bare libmicrohttpd
// server that answers a fixed body the same way (the front end's ceiling), and the
// resident memory of wsvd at rest and under load. Runs a few seconds and stops.
//
//   bench_web [SECONDS_PER_RUN]      (default 3)
#include <microhttpd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/switch_harness.h"
#include "tests/web/http_client.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double rps = 0;
    double p50Us = 0;
    double p99Us = 0;
    long errors = 0;
};

std::string requestBody() {
    return "echo <?xml version=\"1.0\"?><SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas."
           "xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body><m:getVlan xmlns:m=\"urn:m\"><name>"
           "Default</name></m:getVlan></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

// The ceiling: answers every request with the echo's reply, copied from memory.
MHD_Result fixedAnswer(void *cls, MHD_Connection *conn, const char *, const char *, const char *,
                       const char *, size_t *dataSize, void **state) {
    static int marker;
    if (!*state) {
        *state = &marker;
        return MHD_YES;
    }
    if (*dataSize) {
        *dataSize = 0;
        return MHD_YES;
    }
    auto *body = static_cast<const std::string *>(cls);
    MHD_Response *r = MHD_create_response_from_buffer(
        body->size(), const_cast<char *>(body->data()), MHD_RESPMEM_PERSISTENT);
    MHD_add_response_header(r, "Content-Type", "text/xml; charset=utf-8");
    MHD_Result rc = MHD_queue_response(conn, 200, r);
    MHD_destroy_response(r);
    return rc;
}

Figures load(int port, int connections, double seconds) {
    std::vector<std::vector<double>> latencies(connections);
    std::atomic<long> errors{0};
    auto end = Clock::now() + std::chrono::duration<double>(seconds);
    std::vector<std::thread> threads;
    const std::string body = requestBody();
    for (int i = 0; i < connections; i++) {
        threads.emplace_back([&, i] {
            HttpClient c(port);
            HttpReply reply;
            while (Clock::now() < end) {
                auto t0 = Clock::now();
                if (!c.request("POST", "/xmlService", body, "text/xml", &reply) ||
                    reply.status != 200) {
                    errors++;
                    c.disconnect();
                    continue;
                }
                latencies[i].push_back(
                    std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
            }
        });
    }
    for (auto &t : threads) t.join();
    std::vector<double> all;
    for (auto &l : latencies) all.insert(all.end(), l.begin(), l.end());
    Figures f;
    f.errors = errors;
    if (all.empty()) return f;
    std::sort(all.begin(), all.end());
    f.rps = double(all.size()) / seconds;
    f.p50Us = all[all.size() / 2];
    f.p99Us = all[std::min(all.size() - 1, all.size() * 99 / 100)];
    return f;
}

long rssKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return atol(line.c_str() + 6);
    return -1;
}

}  // namespace

int main(int argc, char **argv) {
    double seconds = argc > 1 ? atof(argv[1]) : 3;
    if (seconds <= 0) seconds = 3;

    int webPort = freeLocalPort();
    SwitchHarness sw({"wsvd=wsvd_testserve", "webd=webd -c 200 -p " + std::to_string(webPort)});
    if (!sw.start()) return 1;
    HttpClient probe(webPort);
    for (int i = 0; i < 250 && !probe.connect(); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    HttpReply reply;
    if (!probe.request("POST", "/xmlService", requestBody(), "text/xml", &reply) ||
        reply.status != 200) {
        fprintf(stderr, "bench_web: webd does not answer\n%s", sw.log().c_str());
        return 1;
    }
    probe.disconnect();

    std::string fixed = reply.body;
    int barePort = freeLocalPort();
    MHD_Daemon *bare = MHD_start_daemon(
        MHD_USE_THREAD_PER_CONNECTION | MHD_USE_INTERNAL_POLLING_THREAD, uint16_t(barePort),
        nullptr, nullptr, fixedAnswer, &fixed, MHD_OPTION_CONNECTION_LIMIT, 200u, MHD_OPTION_END);
    if (!bare) {
        fprintf(stderr, "bench_web: cannot start the bare server\n");
        return 1;
    }

    pid_t wsvd = sw.pidOf("wsvd_testserve");
    long rssRest = rssKb(wsvd);
    long rssPeak = rssRest;
    std::atomic<bool> sampling{true};
    std::thread sampler([&] {
        while (sampling) {
            rssPeak = std::max(rssPeak, rssKb(wsvd));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });

    printf("%-11s %12s %10s %10s %12s %10s %10s %8s %8s\n", "connections", "webd req/s", "p50 us",
           "p99 us", "bare req/s", "p50 us", "p99 us", "ratio", "errors");
    for (int n : {1, 8, 64}) {
        Figures ceiling = load(barePort, n, seconds);
        Figures web = load(webPort, n, seconds);
        printf("%-11d %12.0f %10.0f %10.0f %12.0f %10.0f %10.0f %8.3f %8ld\n", n, web.rps,
               web.p50Us, web.p99Us, ceiling.rps, ceiling.p50Us, ceiling.p99Us,
               ceiling.rps > 0 ? web.rps / ceiling.rps : 0.0, web.errors + ceiling.errors);
        fflush(stdout);
    }
    sampling = false;
    sampler.join();
    printf("wsvd resident memory: %ld kB at rest, %ld kB at most under load\n", rssRest, rssPeak);
    MHD_stop_daemon(bare);
    return 0;
}
