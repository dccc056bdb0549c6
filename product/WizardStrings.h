// WizardStrings.h - the two strings every wizard run searches and writes,
// and the quorvel tool's scan and patch by default.
#ifndef QUORVEL_PRODUCT_WIZARDSTRINGS_H
#define QUORVEL_PRODUCT_WIZARDSTRINGS_H

// Both come from ranges reserved for documentation and testing (RFC 5737,
// RFC 2606), so a patched game never points anyone at a real server.
// Their lengths matter: a binary file gets the 13-character name plus one
// zero byte in the 14-character address's place, and a text file shrinks by
// one byte per occurrence.
inline constexpr char legacyServerAddress[] = "198.51.100.117";
inline constexpr char serviceHostName[] = "games.qv.test";

static_assert(sizeof(legacyServerAddress) - 1 == 14, "the old address is a 14-character dotted quad");
static_assert(sizeof(serviceHostName) - 1 == 13, "the host name has 13 characters");

#endif
