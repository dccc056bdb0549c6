// ProductTable.h - the products Quorvel can patch, the ways a copy can be
// bought, and where each product installs by default for each of them.
#ifndef QUORVEL_PRODUCT_PRODUCTTABLE_H
#define QUORVEL_PRODUCT_PRODUCTTABLE_H

#include <cstdint>

// How a copy was bought: the VENDER page's answer and the tool's --channel.
struct PurchaseChannel {
    enum : int32_t {
        None = 0,
        BoxCopy = 1,          // default folder under "C:\Program Files\Quellsoft"
        DownloadStore = 2,    // default folder at the root of drive C:
        SubscriptionStore = 3 // needs no patch
    };
};

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

// The product's default install folder for a purchase channel: the box-copy
// folder for BoxCopy, the download folder for DownloadStore. None for any
// other channel (the subscription store needs no patch) or when product is
// none.
const char* defaultProductFolder(const ProductEntry* product, int32_t purchaseChannel);

#endif
