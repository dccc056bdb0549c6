// PatchSearchTest.cpp - the fast search against the match test at every
// probe width, and a file read in pieces against one scan of the whole.
#include "PatchSearch.h"
#include "PatchRules.h"
#include "WizardStrings.h"
#include "ZephBuf.h"
#include "ZephMem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

TEST(PatchFinder, AgreesWithTheMatchTestAtEveryPositionAndEveryWidth) {
    // Letters, digits, dots and look-alikes around real occurrences.
    std::string content;
    const char* pieces[] = {"198.51.100.117", "198.51.100.11", "1", ".", "198.51.100.1177", "\xB9", "GAMES.QV.TEST",
                            "games.qv.tesT",  "games\0qv",     "9", "7"};
    for (int round = 0; round < 40; ++round)
        for (int i = 0; i < 11; ++i)
            content += std::string(pieces[(i * 7 + round) % 11]);
    for (int32_t level = PatchProbeScalar; level <= PatchProbeAvx512; ++level) {
        // Each probe width this processor has; the widest is restored last.
        const int32_t used = PatchFinderLimitProbe(level);
        for (const char* needle : {legacyServerAddress, serviceHostName, "1", "11", "A.q"}) {
            PatchFinder finder;
            finder.prepare(needle);
            const int32_t length = static_cast<int32_t>(content.size());
            int32_t next = -1;
            for (int32_t p = length - 1; p >= 0; --p) {
                if (PatchMatchAt(content.data(), length, p, needle))
                    next = p;
                ASSERT_EQ(next, finder.find(content.data(), length, p)) << needle << " from " << p << " probe " << used;
            }
        }
    }
}

namespace {

struct PiecedScan {
    int32_t matches = 0;
    int32_t misalignedPieces = 0;
    bool grew = false;
};

// Feeds bytes to content a piece at a time, as the scan run reads a file,
// and checks on the way that the undecided bytes are kept whole.
PiecedScan scanInPieces(const std::string& bytes, const char* oldString, int32_t pieceSize, int32_t capacity) {
    PiecedScan outcome;
    PatchFinder finder;
    finder.prepare(oldString);
    ZephBuf content;
    content.init(&ZephMemManagerGlobal, 1);
    EXPECT_EQ(0, content.setCapacity(capacity));
    int32_t scannedTo = 0;
    for (size_t at = 0; at < bytes.size(); at += static_cast<size_t>(pieceSize)) {
        const int32_t count = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(pieceSize), bytes.size() - at));
        const std::string undecided(content.data + scannedTo, static_cast<size_t>(content.length - scannedTo));
        PatchMakeRoomForPiece(&content, &scannedTo, count);
        EXPECT_EQ(undecided, std::string(content.data + scannedTo, static_cast<size_t>(content.length - scannedTo)))
            << "at " << at;
        if (reinterpret_cast<uintptr_t>(content.data + content.length) % PatchPieceAlignment != 0)
            ++outcome.misalignedPieces;
        char* piece = content.claim(count);
        EXPECT_NE(nullptr, piece);
        if (piece == nullptr)
            break;
        std::memcpy(piece, bytes.data() + at, static_cast<size_t>(count));
        PatchScanPiece(finder, content, &scannedTo, &outcome.matches, INT32_MAX);
    }
    outcome.grew = content.capacity != capacity;
    content.setCapacity(0);
    return outcome;
}

} // namespace

TEST(PatchScanPieces, PiecesLandOnLinesAndCountLikeOneScanOfTheWhole) {
    const char* old = legacyServerAddress;
    const int32_t oldLength = static_cast<int32_t>(std::strlen(old));
    std::string bytes;
    unsigned x = 7;
    while (bytes.size() < 5 * 4096 + 777) {
        x = x * 1103515245u + 12345u;
        bytes += (x >> 16) % 97 == 0 ? std::string(old) : std::string(1, static_cast<char>("19.85x\0"[(x >> 8) % 7]));
    }
    for (size_t boundary = 4096; boundary < bytes.size(); boundary += 4096) // one across every boundary
        bytes.replace(boundary - 5, static_cast<size_t>(oldLength), old);
    // The rules' own loop: one position at a time, past each occurrence.
    int32_t expected = 0;
    const int32_t size = static_cast<int32_t>(bytes.size());
    for (int32_t p = 0; p < size; ++p) {
        if (PatchMatchAt(bytes.data(), size, p, old)) {
            ++expected;
            p += oldLength - 1;
        }
    }
    ASSERT_GT(expected, 5);

    // Sized as the scan run sizes it: every piece on a line, nothing grows.
    PiecedScan roomy = scanInPieces(bytes, old, 4096, oldLength + 4096 + PatchPieceAlignment);
    EXPECT_EQ(expected, roomy.matches);
    EXPECT_EQ(0, roomy.misalignedPieces);
    EXPECT_FALSE(roomy.grew);

    // No room for the line: the undecided bytes go to the front instead, and
    // the content still never has to grow.
    PiecedScan tight = scanInPieces(bytes, old, 4096, oldLength - 1 + 4096);
    EXPECT_EQ(expected, tight.matches);
    EXPECT_FALSE(tight.grew);

    // Odd piece sizes, smaller than the old string too.
    for (int32_t pieceSize : {1, 5, 13, 100, 4095})
        EXPECT_EQ(expected, scanInPieces(bytes, old, pieceSize, oldLength + pieceSize + PatchPieceAlignment).matches)
            << "pieces of " << pieceSize;
}
