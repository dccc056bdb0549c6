// StoredTextsTest.cpp - the read-me notes and user agreement as the pages get them.
#include "StoredTexts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Splits at CR LF. Fails the test on a CR or LF that is not part of a pair,
// since an edit box shows a lone one as a box or not at all.
std::vector<std::string> crLfLines(const char* text, int length) {
    std::vector<std::string> lines;
    std::string current;
    for (int i = 0; i < length; ++i) {
        if (text[i] == '\r' && i + 1 < length && text[i + 1] == '\n') {
            lines.push_back(current);
            current.clear();
            ++i;
        } else {
            EXPECT_TRUE(text[i] != '\r' && text[i] != '\n') << "lone line-break byte at offset " << i;
            current += text[i];
        }
    }
    lines.push_back(current); // after the last break; empty when the text ends with one
    return lines;
}

// Printable ASCII only: the same in every ANSI code page.
void expectPlainAscii(const char* text, int length) {
    for (int i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c != '\r' && c != '\n') {
            ASSERT_TRUE(c >= 0x20 && c <= 0x7E) << "byte 0x" << std::hex << int(c) << " at offset " << std::dec << i;
        }
    }
}

int indexOf(const std::vector<std::string>& lines, const std::string& line, int from = 0) {
    for (int i = from; i < static_cast<int>(lines.size()); ++i) {
        if (lines[i] == line) {
            return i;
        }
    }
    return -1;
}

const std::string underline(49, '=');

} // namespace

TEST(StoredTextsSize, ReadMeHas3587CharactersAnd89CrLfBreaks) {
    ASSERT_EQ(storedReadMeLength, 3587);
    EXPECT_EQ(std::strlen(storedReadMeText), 3587u) << "zero byte inside the text";
    EXPECT_EQ(crLfLines(storedReadMeText, storedReadMeLength).size(), 89u + 1);
    expectPlainAscii(storedReadMeText, storedReadMeLength);
}

TEST(StoredTextsSize, UserAgreementHas11699CharactersAnd144CrLfBreaks) {
    ASSERT_EQ(storedUserAgreementLength, 11699);
    EXPECT_EQ(std::strlen(storedUserAgreementText), 11699u) << "zero byte inside the text";
    EXPECT_EQ(crLfLines(storedUserAgreementText, storedUserAgreementLength).size(), 144u + 1);
    expectPlainAscii(storedUserAgreementText, storedUserAgreementLength);
}

TEST(StoredTextsOrder, ReadMeOpensWithTitleAndListsItsFourSections) {
    std::vector<std::string> lines = crLfLines(storedReadMeText, storedReadMeLength);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Quorvel"), std::string::npos);
    EXPECT_NE(lines[0].find("1.0.1r-1"), std::string::npos);
    EXPECT_NE(lines[0].find("Readme"), std::string::npos);
    EXPECT_EQ(lines[1], underline);

    // Each section: its heading in capitals, underlined, in this order, and
    // named in the list between the title and the first heading.
    const char* sections[] = {"INTRODUCTION", "AFFECTED TITLES", "HOW TO APPLY THE PATCH", "TECHNICAL ISSUES"};
    int firstHeading = indexOf(lines, sections[0]);
    ASSERT_GT(firstHeading, 1);
    int previous = 1;
    for (const char* section : sections) {
        int heading = indexOf(lines, section, previous + 1);
        ASSERT_GT(heading, previous) << section;
        ASSERT_LT(heading + 1, static_cast<int>(lines.size()));
        EXPECT_EQ(lines[heading + 1], underline) << section;
        bool listed = false;
        for (int i = 2; i < firstHeading; ++i) {
            listed = listed || lines[i].find(section) != std::string::npos;
        }
        EXPECT_TRUE(listed) << section << " missing from the list at the top";
        previous = heading;
    }
}

TEST(StoredTextsOrder, ReadMeListsTheElevenProductsInTableOrder) {
    // The titles of the product list, in its order.
    const char* titles[] = {"Kestrel Strike",   "Rotorfall Gold", "Talon Interceptor",    "Stormcrow",
                            "Ironwing Command", "Shadow Unit",    "Skylance 3",           "Steel Column 3",
                            "Shadow Unit 2",    "Outer Verge",    "Shadow Unit Field Ops"};
    std::vector<std::string> lines = crLfLines(storedReadMeText, storedReadMeLength);
    int section = indexOf(lines, "AFFECTED TITLES");
    int next = indexOf(lines, "HOW TO APPLY THE PATCH");
    ASSERT_GT(section, 0);
    int previous = section;
    for (const char* title : titles) {
        int row = indexOf(lines, std::string("    ") + title, previous + 1);
        ASSERT_GT(row, previous) << title;
        ASSERT_LT(row, next) << title;
        previous = row;
    }
}

TEST(StoredTextsOrder, ReadMeHowToNamesBothDefaultFolders) {
    std::string text(storedReadMeText);
    EXPECT_NE(text.find("C:\\Program Files\\Quellsoft\\"), std::string::npos);
    EXPECT_NE(text.find("C:\\Program Files\\Quellsoft\\Talon INT"), std::string::npos);
    EXPECT_NE(text.find("no patching is required"), std::string::npos);
}

TEST(StoredTextsOrder, UserAgreementHasHeadingAndSixteenClausesInOrder) {
    std::vector<std::string> lines = crLfLines(storedUserAgreementText, storedUserAgreementLength);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "USER AGREEMENT");
    EXPECT_EQ(lines[1], "");

    std::vector<int> clauseLines;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const std::string& line = lines[i];
        size_t digits = 0;
        while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') {
            ++digits;
        }
        if (digits > 0 && digits < line.size() && line[digits] == '.' && line.compare(digits, 2, ". ") == 0) {
            EXPECT_EQ(std::stoi(line.substr(0, digits)), static_cast<int>(clauseLines.size()) + 1)
                << "clause out of order: " << line.substr(0, 40);
            clauseLines.push_back(i);
        }
    }
    ASSERT_EQ(clauseLines.size(), 16u);
    EXPECT_EQ(clauseLines[0], 2) << "clause 1 follows the heading and one blank line";
}

TEST(StoredTextsOrder, WarrantyDisclaimerOpensAndLiabilityClauseIsInCapitals) {
    std::string text(storedUserAgreementText);
    size_t clause13 = text.find("\r\n13. ");
    size_t clause14 = text.find("\r\n14. ");
    size_t clause15 = text.find("\r\n15. ");
    ASSERT_NE(clause13, std::string::npos);
    ASSERT_NE(clause14, std::string::npos);
    ASSERT_NE(clause15, std::string::npos);

    // The first sentence after the clause's name is written in capitals.
    size_t opening = text.find(". ", clause13 + 6) + 2;
    std::string disclaimer = text.substr(opening, text.find(". ", opening) - opening);
    ASSERT_GT(disclaimer.size(), 40u);
    for (char c : disclaimer) {
        EXPECT_FALSE(c >= 'a' && c <= 'z') << "lower case in: " << disclaimer;
    }
    for (size_t i = clause14; i < clause15; ++i) {
        ASSERT_FALSE(text[i] >= 'a' && text[i] <= 'z') << "lower case in clause 14 at offset " << i;
    }
}
