// The framing of the configuration link: messages cut into pieces and put together.
#include <gtest/gtest.h>

#include <vector>

#include "cmclient/cmlink.h"

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

}  // namespace
