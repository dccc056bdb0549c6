// ProductTableTest.cpp - product rows, look-up bounds and default folders.
#include "ProductTable.h"

#include <gtest/gtest.h>

#include <string>

TEST(ProductTableRows, FoldersFollowTheTitlesExceptTalonsBoxFolder) {
    for (int32_t i = 0; i < ProductCount; ++i) {
        const ProductEntry& row = ProductTable[i];
        ASSERT_NE(row.title, nullptr) << "row " << i;
        EXPECT_EQ(row.id, i);
        EXPECT_EQ(std::string(row.downloadFolder), std::string("C:\\") + row.title);
        const std::string box = i == 2 ? std::string("Talon INT") : std::string(row.title);
        EXPECT_EQ(std::string(row.boxCopyFolder), "C:\\Program Files\\Quellsoft\\" + box);
    }
    const ProductEntry& end = ProductTable[ProductCount];
    EXPECT_EQ(end.id, -1);
    EXPECT_EQ(end.title, nullptr);
    EXPECT_EQ(end.boxCopyFolder, nullptr);
    EXPECT_EQ(end.downloadFolder, nullptr);
}

TEST(ProductTableLookup, FindsEveryRowAndNothingOutside) {
    EXPECT_EQ(findProduct(ProductTable, 0), &ProductTable[0]);
    EXPECT_EQ(findProduct(ProductTable, ProductCount - 1), &ProductTable[ProductCount - 1]);
    EXPECT_EQ(findProduct(ProductTable, ProductCount), nullptr); // the end row is no product
    EXPECT_EQ(findProduct(ProductTable, ProductCount + 5), nullptr);
    EXPECT_EQ(findProduct(ProductTable, -1), nullptr);
    EXPECT_EQ(findProduct(ProductTable, INT32_MIN), nullptr);
    EXPECT_EQ(findProduct(nullptr, 0), nullptr);

    // A shorter table ends where its end row stands.
    const ProductEntry two[] = {{0, "A", "a", "b"}, {1, "B", "c", "d"}, {-1, nullptr, nullptr, nullptr}};
    EXPECT_EQ(findProduct(two, 1), &two[1]);
    EXPECT_EQ(findProduct(two, 2), nullptr);
}

TEST(ProductTableFolders, ChannelPicksTheFolder) {
    const ProductEntry* talon = findProduct(ProductTable, 2);
    ASSERT_NE(talon, nullptr);
    EXPECT_STREQ(defaultProductFolder(talon, PurchaseChannel::BoxCopy), "C:\\Program Files\\Quellsoft\\Talon INT");
    EXPECT_STREQ(defaultProductFolder(talon, PurchaseChannel::DownloadStore), "C:\\Talon Interceptor");
    EXPECT_EQ(defaultProductFolder(talon, 0), nullptr);
    EXPECT_EQ(defaultProductFolder(talon, 3), nullptr); // the subscription store needs no patch
    EXPECT_EQ(defaultProductFolder(nullptr, PurchaseChannel::BoxCopy), nullptr);
}
