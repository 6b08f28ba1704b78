// The framing of the configuration link: messages cut into pieces and put together; and
// the file in which cfgmgr shares its change count.
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cmclient/cmlink.h"
#include "platform/ipml.h"
#include "platform/tlv.h"
#include "tests/support/scratch.h"

namespace {

std::vector<std::vector<uint8_t>> piecesOf(const std::vector<uint8_t> &message) {
    std::vector<std::vector<uint8_t>> frames;
    cmLinkSendPieces(message, [&](const uint8_t *bytes, uint32_t length) {
        frames.emplace_back(bytes, bytes + length);
        return 0;
    });
    return frames;
}

TEST(CmLink, MessagesCrossInPiecesAndOversizedOnesAreRefused) {
    for (size_t size : {size_t(0), size_t(CMLINK_PIECE), size_t(2 * CMLINK_PIECE + 5)}) {
        std::vector<uint8_t> message(size);
        for (size_t i = 0; i < size; i++) message[i] = uint8_t(i * 7);
        auto frames = piecesOf(message);
        ASSERT_EQ(frames.size(), size ? (size + CMLINK_PIECE - 1) / CMLINK_PIECE : 1) << size;
        cmLinkAssembler assembler;
        for (size_t i = 0; i < frames.size(); i++)
            ASSERT_EQ(assembler.add(frames[i].data(), uint32_t(frames[i].size())),
                      i + 1 == frames.size() ? 1 : 0)
                << size << " piece " << i;
        EXPECT_EQ(assembler.message(), message) << size;
    }
    // A peer that keeps saying "more" is cut off at the largest message, not fed forever.
    std::vector<uint8_t> more(4 + CMLINK_PIECE, 0);
    more[0] = 1;
    cmLinkAssembler assembler;
    int r = 0;
    size_t frames = 0;
    const size_t most = CMLINK_MAX_MESSAGE / CMLINK_PIECE;
    while (frames <= most && (r = assembler.add(more.data(), uint32_t(more.size()))) == 0) frames++;
    EXPECT_EQ(r, -1);
    EXPECT_EQ(frames, most);
    const uint8_t badWord[4] = {2, 0, 0, 0};
    EXPECT_EQ(cmLinkAssembler().add(badWord, 4), -1);
}

// A reader that has what it waited for stops after the whole messages of the read in
// hand: none of them is left unhandled, and what it did not read stays in the socket for
// the next reader, nothing lost or handled twice.
TEST(CmLink, ReaderThatHasEnoughLeavesTheRestInTheSocket) {
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    cmLinkClient link;
    link.fd = ends[0];
    // More than one read's worth (16 kB): 40 messages of about 1 kB, one frame each.
    const int kMessages = 40;
    for (int i = 0; i < kMessages; i++) {
        cmLinkMessage m(CMLINK_REPLY);
        m.u32(CMLINK_TAG_ID, uint32_t(i)).text(CMLINK_TAG_DATA, std::string(1000, 'x').c_str());
        ASSERT_EQ(cmLinkSendPieces(m.bytes(),
                                   [&](const uint8_t *bytes, uint32_t length) {
                                       return ipmlWriteFrame(ends[1], bytes, length);
                                   }),
                  0);
    }
    std::vector<uint32_t> ids;
    auto handle = [&](const uint8_t *bytes, uint32_t length) {
        tlv_t t;
        tlvInit(&t, const_cast<uint8_t *>(bytes), length);
        uint32_t id = 0;
        ASSERT_EQ(tlvDecode(&t, CMLINK_TAG_ID, TLV_DEC_U32, &id, TLV_DEC_END), 0);
        ids.push_back(id);
    };
    ASSERT_EQ(link.readAvailable(handle, [&] { return !ids.empty(); }), 0);
    size_t first = ids.size();
    EXPECT_GT(first, 0u);
    EXPECT_LT(first, size_t(kMessages)) << "read on after it had enough";
    // What is left in rx is at most the start of the next frame, never a whole one.
    uint32_t next = 0;
    if (link.rx.size() - link.rxAt >= 4) memcpy(&next, link.rx.data() + link.rxAt, 4);
    EXPECT_LT(link.rx.size() - link.rxAt, size_t(next) + 4);
    pollfd readable{ends[0], POLLIN, 0};
    EXPECT_EQ(poll(&readable, 1, 0), 1);

    ASSERT_EQ(link.readAvailable(handle), 0);
    ASSERT_EQ(ids.size(), size_t(kMessages));
    for (int i = 0; i < kMessages; i++) EXPECT_EQ(ids[size_t(i)], uint32_t(i));
    close(ends[1]);
    link.close();
}

// A frontend trusts a count only in the file of its own cfgmgr, and a count it still
// reads after that cfgmgr was replaced moves, so nothing read ahead by the dead one is
// taken.
TEST(CmLinkChanges, CountIsReadOnlyFromItsOwnFileAndMovesWhenTheFileIsReplaced) {
    ScratchDir dir("cmlink");
    std::unique_ptr<cmLinkChanges> first = cmLinkChanges::publish(dir.path());
    ASSERT_TRUE(first);
    const std::string path = dir / CMLINK_CHANGES_FILE;
    EXPECT_EQ(first->path(), path);
    std::unique_ptr<cmLinkChanges> reader = cmLinkChanges::attach(path, first->token());
    ASSERT_TRUE(reader);
    first->bump();
    first->bump();
    EXPECT_EQ(reader->count(), 2u);
    reader->bump();  // a frontend's mapping is read only: no fault, no move
    EXPECT_EQ(first->count(), 2u);

    // Files a frontend must not map: another cfgmgr's, none, one too short to hold a
    // count, and what is no file (a pipe's open would wait for a writer).
    const std::string shortFile = dir / "short", pipe = dir / "pipe";
    uint64_t token = first->token();
    writeFile(shortFile, std::string(reinterpret_cast<const char *>(&token), sizeof token));
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    struct {
        const char *why;
        std::string path;
        uint64_t token;
    } refused[] = {
        {"another token", path, first->token() + 1},
        {"no file", dir / "none", first->token()},
        {"a file shorter than the count", shortFile, first->token()},
        {"a directory", dir.path(), first->token()},
        {"a pipe", pipe, first->token()},
    };
    for (const auto &c : refused) EXPECT_FALSE(cmLinkChanges::attach(c.path, c.token)) << c.why;

    // A restarted cfgmgr: the count the old frontend still maps moves, and the file at the
    // path is the new one's alone.
    std::unique_ptr<cmLinkChanges> second = cmLinkChanges::publish(dir.path());
    ASSERT_TRUE(second);
    EXPECT_NE(second->token(), first->token());
    EXPECT_NE(reader->count(), 2u);
    EXPECT_FALSE(cmLinkChanges::attach(path, first->token()));
    std::unique_ptr<cmLinkChanges> again = cmLinkChanges::attach(path, second->token());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->count(), 0u);
    second->bump();
    EXPECT_EQ(again->count(), 1u);

    // Whatever an earlier process left behind, a cfgmgr shares its count; in no directory
    // it cannot.
    struct {
        const char *why;
        std::string path, text;
    } left[] = {
        {"a file too short for a count", path, "x"},
        {"a file of something else", path, std::string(64, '\xff')},
        {"a file half made", path + ".new", "x"},
    };
    for (const auto &c : left) {
        writeFile(c.path, c.text);
        std::unique_ptr<cmLinkChanges> made = cmLinkChanges::publish(dir.path());
        ASSERT_TRUE(made) << c.why;
        EXPECT_TRUE(cmLinkChanges::attach(path, made->token())) << c.why;
    }
    EXPECT_FALSE(cmLinkChanges::publish(dir / "none"));
}

}  // namespace
