// ProductTable.cpp - the product rows and their look-ups.
#include "ProductTable.h"

// Box copies go under the maker's folder in Program Files, download copies
// straight into the root of drive C:. Row 2's box folder is named
// "Talon INT", not after its title.
const ProductEntry ProductTable[ProductCount + 1] = {
    {0, "Kestrel Strike", "C:\\Program Files\\Quellsoft\\Kestrel Strike", "C:\\Kestrel Strike"},
    {1, "Rotorfall Gold", "C:\\Program Files\\Quellsoft\\Rotorfall Gold", "C:\\Rotorfall Gold"},
    {2, "Talon Interceptor", "C:\\Program Files\\Quellsoft\\Talon INT", "C:\\Talon Interceptor"},
    {3, "Stormcrow", "C:\\Program Files\\Quellsoft\\Stormcrow", "C:\\Stormcrow"},
    {4, "Ironwing Command", "C:\\Program Files\\Quellsoft\\Ironwing Command", "C:\\Ironwing Command"},
    {5, "Shadow Unit", "C:\\Program Files\\Quellsoft\\Shadow Unit", "C:\\Shadow Unit"},
    {6, "Skylance 3", "C:\\Program Files\\Quellsoft\\Skylance 3", "C:\\Skylance 3"},
    {7, "Steel Column 3", "C:\\Program Files\\Quellsoft\\Steel Column 3", "C:\\Steel Column 3"},
    {8, "Shadow Unit 2", "C:\\Program Files\\Quellsoft\\Shadow Unit 2", "C:\\Shadow Unit 2"},
    {9, "Outer Verge", "C:\\Program Files\\Quellsoft\\Outer Verge", "C:\\Outer Verge"},
    {10, "Shadow Unit Field Ops", "C:\\Program Files\\Quellsoft\\Shadow Unit Field Ops", "C:\\Shadow Unit Field Ops"},
    {-1, nullptr, nullptr, nullptr},
};

const ProductEntry* findProduct(const ProductEntry* table, int32_t index) {
    if (table == nullptr || index < 0)
        return nullptr;
    // The table's length is not known here: walk to index, stopping at the
    // end row, which is recognised by its missing title.
    for (int32_t i = 0; table[i].title != nullptr; ++i) {
        if (i == index)
            return &table[i];
    }
    return nullptr;
}

const char* defaultProductFolder(const ProductEntry* product, int32_t purchaseChannel) {
    if (product == nullptr)
        return nullptr;
    if (purchaseChannel == PurchaseChannel::BoxCopy)
        return product->boxCopyFolder;
    if (purchaseChannel == PurchaseChannel::DownloadStore)
        return product->downloadFolder;
    return nullptr;
}
