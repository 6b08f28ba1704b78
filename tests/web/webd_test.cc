// webd end to end: platformd starts the test daemon and webd on free local ports, and
// the tests talk HTTP to webd with the small client of http_client.h.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "daemon/wsvd_link.h"
#include "tests/support/switch_harness.h"
#include "tests/web/http_client.h"

namespace {

const char kSoap11[] = "text/xml; charset=utf-8";
const char kSoap12[] = "application/soap+xml; charset=utf-8";

std::string envelope(const std::string &body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
           "<SOAP-ENV:Body>" +
           body + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

std::string pattern(size_t bytes) {
    std::string s;
    for (size_t i = 0; i < bytes; i++) s += char('a' + i % 26);
    return s;
}

long msSince(std::chrono::steady_clock::time_point t) {
    return long(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t)
            .count());
}

// A switch with the test daemon as wsvd and webd in front of it.
class Webd : public ::testing::Test {
protected:
    // Extra webd options, set before start().
    void start(const std::string &options = "") {
        port_ = freeLocalPort();
        std::string webd = "webd=webd -p " + std::to_string(port_) + " " + options;
        sw_ =
            std::make_unique<SwitchHarness>(std::vector<std::string>{"wsvd=wsvd_testserve", webd});
        ASSERT_TRUE(sw_->start());
        ASSERT_TRUE(waitListening(port_)) << sw_->log();
    }

    // webd registers before it listens only in theory; waiting costs nothing.
    static bool waitListening(int port) {
        for (int i = 0; i < 250; i++) {
            HttpClient probe(port);
            if (probe.connect()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    HttpReply post(const std::string &body, const std::string &type = kSoap11,
                   const std::string &headers = "") {
        HttpClient c(port_);
        HttpReply reply;
        EXPECT_TRUE(c.request("POST", "/xmlService", body, type, &reply, headers));
        return reply;
    }

    int port_ = 0;
    std::unique_ptr<SwitchHarness> sw_;
};

TEST_F(Webd, RelaysBothSoapVersionsWithTheirContentTypes) {
    start();
    struct {
        const char *requestType;
        const char *replyType;
    } cases[] = {
        {"text/xml", kSoap11},
        {"text/xml; charset=UTF-8", kSoap11},
        {"application/soap+xml; charset=utf-8; action=\"urn:getVlan\"", kSoap12},
    };
    HttpClient c(port_);  // one kept-alive connection for all of them
    for (auto &t : cases) {
        std::string body = "echo " + envelope("<m:getVlan xmlns:m=\"urn:m\"/>");
        HttpReply reply;
        ASSERT_TRUE(c.request("POST", "/xmlService", body, t.requestType, &reply));
        EXPECT_EQ(reply.status, 200) << t.requestType;
        EXPECT_EQ(reply.header("content-type"), t.replyType);
        EXPECT_EQ(reply.body, body);
    }
}

TEST_F(Webd, BasicCredentialsReachTheDaemonCutToTheirFields) {
    start();
    auto basic = [](const std::string &userColonPassword) {
        static const char b64[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string in = userColonPassword, out;
        for (size_t i = 0; i < in.size(); i += 3) {
            uint32_t v = uint32_t(uint8_t(in[i])) << 16;
            if (i + 1 < in.size()) v |= uint32_t(uint8_t(in[i + 1])) << 8;
            if (i + 2 < in.size()) v |= uint8_t(in[i + 2]);
            out += b64[(v >> 18) & 63];
            out += b64[(v >> 12) & 63];
            out += i + 1 < in.size() ? b64[(v >> 6) & 63] : '=';
            out += i + 2 < in.size() ? b64[v & 63] : '=';
        }
        return "Authorization: Basic " + out + "\r\n";
    };
    std::string longName(40, 'u'), longPassword(40, 'p');
    struct {
        std::string headers;
        std::string expected;
    } cases[] = {
        {basic("admin:s3cret"), "user=admin password=s3cret"},
        {basic("admin:"), "user=admin password="},
        {basic(longName + ":" + longPassword),
         "user=" + longName.substr(0, 32) + " password=" + longPassword.substr(0, 32)},
        {"", "user= password="},
    };
    for (auto &c : cases) {
        HttpReply reply = post("user", kSoap11, c.headers);
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.body, c.expected);
    }
}

TEST_F(Webd, LongReplyStreamsChunkedAndIntact) {
    start();
    HttpReply reply = post("reply 100000 100");
    EXPECT_EQ(reply.status, 200);
    EXPECT_TRUE(reply.chunked);
    EXPECT_GT(reply.chunks, 1);
    EXPECT_EQ(reply.body, pattern(100000));
}

TEST_F(Webd, FaultAnsweredWith500OthersWith200) {
    start();
    HttpReply fault = post("echo " + envelope("<SOAP-ENV:Fault><faultcode>SOAP-ENV:Client"
                                              "</faultcode></SOAP-ENV:Fault>"));
    EXPECT_EQ(fault.status, 500);
    EXPECT_EQ(fault.header("content-type"), kSoap11);
    EXPECT_NE(fault.body.find("<SOAP-ENV:Fault>"), std::string::npos);
    // The same words further in are data, not a fault.
    HttpReply data = post("echo " + envelope("<m:r><m:Fault>x</m:Fault></m:r>"));
    EXPECT_EQ(data.status, 200);
    // An empty reply is a plain success.
    HttpReply empty = post("empty");
    EXPECT_EQ(empty.status, 200);
    EXPECT_EQ(empty.body, "");
}

TEST_F(Webd, RefusesWhatItMustNotForward) {
    start();
    struct {
        const char *method;
        const char *path;
        std::string body;
        const char *type;
        int status;
    } cases[] = {
        {"POST", "/xmlService", "<exec> /etc/passwd", kSoap11, 403},
        {"POST", "/xmlService", " \n\t<exec>", kSoap12, 403},
        {"POST", "/other", "echo x", kSoap11, 404},
        {"GET", "/", "", "", 404},
        {"POST", "/xmlService/", "echo x", kSoap11, 404},
        {"PUT", "/xmlService", "echo x", kSoap11, 405},
        {"DELETE", "/xmlService", "", "", 405},
        {"GET", "/xmlService", "", "", 405},
        {"POST", "/xmlService", "echo x", "text/plain", 415},
        {"POST", "/xmlService", "echo x", "", 415},
        {"POST", "/xmlService", "echo x", "application/xml", 415},
    };
    for (auto &c : cases) {
        HttpClient client(port_);
        HttpReply reply;
        ASSERT_TRUE(client.request(c.method, c.path, c.body, c.type, &reply))
            << c.method << " " << c.path;
        EXPECT_EQ(reply.status, c.status) << c.method << " " << c.path << " " << c.body;
    }
    // The daemon never saw the test hook.
    EXPECT_EQ(sw_->log().find("Reading from file"), std::string::npos);

    // Too large, by its announced length (refused before the body is sent) or by what
    // a chunked body turns out to hold.
    HttpClient big(port_);
    HttpReply reply;
    ASSERT_TRUE(
        big.sendRaw("POST /xmlService HTTP/1.1\r\nHost: x\r\nContent-Type: text/xml\r\n"
                    "Content-Length: " +
                    std::to_string(WSVD_MAX_REQUEST_BYTES + 1) + "\r\n\r\n"));
    ASSERT_TRUE(big.readReply(&reply));
    EXPECT_EQ(reply.status, 413);

    HttpClient chunked(port_, 30000);
    std::string piece(1 << 20, 'x');
    char size[32];
    snprintf(size, sizeof size, "%zx\r\n", piece.size());
    std::string raw =
        "POST /xmlService HTTP/1.1\r\nHost: x\r\nContent-Type: text/xml\r\n"
        "Transfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 5; i++) raw += size + piece + "\r\n";
    raw += "0\r\n\r\n";
    ASSERT_TRUE(chunked.sendRaw(raw));
    ASSERT_TRUE(chunked.readReply(&reply));
    EXPECT_EQ(reply.status, 413);

    HttpClient junk(port_);
    ASSERT_TRUE(junk.sendRaw("THIS IS NOT HTTP\r\n\r\n"));
    ASSERT_TRUE(junk.readReply(&reply));
    EXPECT_EQ(reply.status, 400);

    // And after all that the next client is served.
    EXPECT_EQ(post("echo fine").body, "echo fine");
}

TEST_F(Webd, ClientLeavingMidReplyDoesNotDisturbTheNext) {
    start("-l 1");  // one link: the next request must not meet the rest of the old reply
    for (int round = 0; round < 3; round++) {
        HttpClient leaver(port_);
        ASSERT_TRUE(
            leaver.sendRaw("POST /xmlService HTTP/1.1\r\nHost: x\r\n"
                           "Content-Type: text/xml\r\nContent-Length: 17\r\n\r\n"
                           "reply 3000000 500"));
        EXPECT_GT(leaver.readSome(20000, 5000), 0u);
        leaver.disconnect();

        HttpClient next(port_);
        HttpReply reply;
        std::string body = "echo after " + std::to_string(round);
        ASSERT_TRUE(next.request("POST", "/xmlService", body, kSoap11, &reply));
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.body, body);
        // Kept alive, the same connection serves a long reply whole.
        ASSERT_TRUE(next.request("POST", "/xmlService", "reply 20000 7", kSoap11, &reply));
        EXPECT_EQ(reply.body, pattern(20000));
    }
}

TEST_F(Webd, DaemonDownAnswered503QuicklyThenServedAgain) {
    start();
    EXPECT_EQ(post("echo before").status, 200);  // leaves an idle link in the pool
    pid_t old = sw_->pidOf("wsvd_testserve");
    ASSERT_TRUE(sw_->kill("wsvd_testserve", SIGKILL));
    for (int i = 0; i < 100 && kill(old, 0) == 0; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    auto t0 = std::chrono::steady_clock::now();
    HttpReply down = post("echo while down");
    EXPECT_EQ(down.status, 503);
    EXPECT_LT(msSince(t0), 3000);

    ASSERT_TRUE(sw_->waitForProcess("wsvd", 15000));
    HttpReply again = post("echo after");
    EXPECT_EQ(again.status, 200);
    EXPECT_EQ(again.body, "echo after");
}

TEST_F(Webd, SlowDaemonAnswered504ThenNextServed) {
    start("-t 1");
    auto t0 = std::chrono::steady_clock::now();
    HttpReply slow = post("sleep 1500");
    EXPECT_EQ(slow.status, 504);
    EXPECT_LT(msSince(t0), 3000);
    // The abandoned link was closed: the late "slept" must not answer this one.
    HttpReply next = post("echo next");
    EXPECT_EQ(next.status, 200);
    EXPECT_EQ(next.body, "echo next");
}

TEST_F(Webd, ConnectionsPastTheLimitAnswered503) {
    start("-c 2");
    HttpClient a(port_), b(port_);
    ASSERT_TRUE(a.connect());
    ASSERT_TRUE(b.connect());
    HttpReply reply;
    // The two held connections may take a moment to be counted.
    for (int i = 0; i < 50; i++) {
        HttpClient third(port_);
        ASSERT_TRUE(third.request("POST", "/xmlService", "echo 3", kSoap11, &reply));
        if (reply.status == 503) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(reply.status, 503);
    a.disconnect();
    b.disconnect();
    for (int i = 0; i < 50; i++) {
        HttpClient later(port_);
        ASSERT_TRUE(later.request("POST", "/xmlService", "echo 4", kSoap11, &reply));
        if (reply.status == 200) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(reply.status, 200);
}

TEST_F(Webd, ServesTheWsdlWithTheEndpointRewritten) {
    // The description comes from $KARN_ROOT/wsdl: a small one of our own.
    auto harnessRoot = [&] { return sw_->rootDir() + "/wsdl"; };
    port_ = freeLocalPort();
    sw_ = std::make_unique<SwitchHarness>(
        std::vector<std::string>{"wsvd=wsvd_testserve", "webd=webd -p " + std::to_string(port_)});
    mkdir(harnessRoot().c_str(), 0700);
    std::ofstream(harnessRoot() + "/wsvd.wsdl")
        << "<definitions><types><xsd:schema><xsd:import namespace=\"urn:a\" "
           "schemaLocation=\"a.xsd\"/></xsd:schema></types>\n<service name=\"wsvd\"><port>"
           "<SOAP:address location=\"http://localhost/xmlservice\"/></port></service>"
           "</definitions>\n";
    std::ofstream(harnessRoot() + "/a.xsd") << "<schema targetNamespace=\"urn:a\"/>\n";
    ASSERT_TRUE(sw_->start());
    ASSERT_TRUE(waitListening(port_));

    HttpClient c(port_);
    HttpReply reply;
    ASSERT_TRUE(c.request("GET", "/xmlService?wsdl", "", "", &reply));
    EXPECT_EQ(reply.status, 200);
    std::string here = "http://127.0.0.1:" + std::to_string(port_) + "/xmlService";
    EXPECT_NE(reply.body.find("<SOAP:address location=\"" + here + "\"/>"), std::string::npos)
        << reply.body;
    EXPECT_NE(reply.body.find("schemaLocation=\"" + here + "?xsd=a.xsd\""), std::string::npos);

    ASSERT_TRUE(c.request("GET", "/xmlService?WSDL", "", "", &reply, "Host: sw7:9000\r\n"));
    EXPECT_NE(reply.body.find("location=\"http://sw7:9000/xmlService\""), std::string::npos);

    for (const char *path : {"/xmlService?xsd=a.xsd", "/xsd/a.xsd"}) {
        ASSERT_TRUE(c.request("GET", path, "", "", &reply));
        EXPECT_EQ(reply.status, 200) << path;
        EXPECT_EQ(reply.body, "<schema targetNamespace=\"urn:a\"/>\n");
    }
    for (const char *path : {"/xmlService?xsd=b.xsd", "/xmlService?xsd=../wsdl/a.xsd",
                             "/xsd/..%2Fa.xsd", "/xsd/wsvd.wsdl"}) {
        ASSERT_TRUE(c.request("GET", path, "", "", &reply));
        EXPECT_EQ(reply.status, 404) << path;
    }
}

TEST_F(Webd, ServesTheGeneratedWsdlWhenBuilt) {
    std::string dir = std::string(WSVD_BIN_DIR) + "/../data/wsdl";
    if (access((dir + "/wsvd.wsdl").c_str(), R_OK) != 0)
        GTEST_SKIP() << "no generated WSDL in " << dir;
    start("-w " + dir);
    HttpClient c(port_, 20000);
    HttpReply reply;
    ASSERT_TRUE(c.request("GET", "/xmlService?wsdl", "", "", &reply));
    EXPECT_EQ(reply.status, 200);
    EXPECT_NE(reply.body.find("address location=\"http://127.0.0.1:" + std::to_string(port_) +
                              "/xmlService\""),
              std::string::npos);
    EXPECT_NE(reply.body.find("</definitions>"), std::string::npos);
}

TEST_F(Webd, HttpsOnItsOwnPort) {
    if (system("command -v openssl >/dev/null && command -v curl >/dev/null") != 0)
        GTEST_SKIP() << "openssl and curl are needed";
    int httpsPort = freeLocalPort();
    port_ = freeLocalPort();
    std::string certDir;
    {
        char tmpl[] = "/tmp/webd-cert.XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        certDir = tmpl;
    }
    std::string make =
        std::string(WSVD_SOURCE_DIR) + "/scripts/make-cert " + certDir + " >/dev/null";
    ASSERT_EQ(system(make.c_str()), 0);
    sw_ = std::make_unique<SwitchHarness>(std::vector<std::string>{
        "wsvd=wsvd_testserve", "webd=webd -p " + std::to_string(port_) + " -s " +
                                   std::to_string(httpsPort) + " --cert " + certDir +
                                   "/webd-cert.pem --key " + certDir + "/webd-key.pem"});
    bool started = sw_->start() && waitListening(httpsPort);
    std::string out;
    if (started) {
        std::string cmd =
            "curl -sk --max-time 10 -w ' %{http_code}' -H 'Content-Type: text/xml' "
            "--data 'echo secure' https://127.0.0.1:" +
            std::to_string(httpsPort) + "/xmlService";
        FILE *p = popen(cmd.c_str(), "r");
        char buf[256];
        size_t n;
        while (p && (n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        if (p) pclose(p);
    }
    for (const char *f : {"/webd-cert.pem", "/webd-key.pem"}) unlink((certDir + f).c_str());
    rmdir(certDir.c_str());
    ASSERT_TRUE(started) << sw_->log();
    EXPECT_EQ(out, "echo secure 200");
    // Plain HTTP still answers on its own port.
    EXPECT_EQ(post("echo plain").body, "echo plain");
}

TEST_F(Webd, StopsCleanlyOnSigterm) {
    start();
    // A request in flight when the switch stops must not hold webd up.
    std::thread slow([&] {
        HttpClient c(port_);
        HttpReply reply;
        c.request("POST", "/xmlService", "sleep 3000", kSoap11, &reply);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    auto t0 = std::chrono::steady_clock::now();
    int status = sw_->stop();
    slow.join();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_LT(msSince(t0), 4000);
    EXPECT_NE(sw_->log().find("webd: stopping"), std::string::npos);
    // platformd reports how webd ended.
    std::istringstream log(sw_->log());
    bool exitedCleanly = false;
    for (std::string line; std::getline(log, line);)
        if (line.find("platformd: webd (pid") == 0 &&
            line.find("exited with status 0") != std::string::npos)
            exitedCleanly = true;
    EXPECT_TRUE(exitedCleanly) << sw_->log();
}

}  // namespace
