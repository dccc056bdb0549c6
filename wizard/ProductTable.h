// ProductTable.h - the products the wizard can patch and where each one
// installs by default.
#ifndef QUORVEL_WIZARD_PRODUCTTABLE_H
#define QUORVEL_WIZARD_PRODUCTTABLE_H

#include <cstdint>

// One row of ProductTable. A row's id equals its position, so the position of
// a title in the (unsorted) product list is the row to look up. The end row
// is {-1, none, none, none}; its missing title is what marks it.
struct ProductEntry {
    int32_t id;
    const char* title;
    const char* boxCopyFolder;  // default install folder of a box copy
    const char* downloadFolder; // default install folder of a download-store copy
};

// Number of products, the end row not counted.
inline constexpr int32_t ProductCount = 11;

// The eleven products in list order, then the end row. The folders are
// Windows paths; under Wine "C:\" is the drive_c folder of the prefix.
extern const ProductEntry ProductTable[ProductCount + 1];

// The row at position index, or none when table is none, index is negative
// or index is not below the number of rows before the end row.
const ProductEntry* findProduct(const ProductEntry* table, int32_t index);

// The purchase channels that have a default folder; the values are those of
// the VENDER page's PurchaseChannel.
inline constexpr int32_t ProductChannelBoxCopy = 1;
inline constexpr int32_t ProductChannelDownloadStore = 2;

// The product's default install folder for a purchase channel: the box-copy
// folder for 1, the download folder for 2. None for any other channel (the
// subscription store needs no patch) or when product is none.
const char* defaultProductFolder(const ProductEntry* product, int32_t purchaseChannel);

#endif
