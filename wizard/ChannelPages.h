// ChannelPages.h - VENDER, the purchase-channel question, and ARCAVIA, the
// notice for copies from the subscription store (a dead end of the wizard).
#ifndef QUORVEL_WIZARD_CHANNELPAGES_H
#define QUORVEL_WIZARD_CHANNELPAGES_H

#include "PageFrame.h"

#include <cstdint>

extern const PageLogic venderPage;
extern const PageLogic arcaviaPage;

// The channel (1 to 3) of a radio button id, or 0.
int32_t buttonChannel(int32_t controlId);

#endif
