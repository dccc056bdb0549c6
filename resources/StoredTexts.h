// StoredTexts.h - the read-me notes and the user agreement, stored in the program.
#ifndef QUORVEL_RESOURCES_STOREDTEXTS_H
#define QUORVEL_RESOURCES_STOREDTEXTS_H

// The README page shows the read-me notes and the EULA page the user
// agreement, each whole in a read-only edit box. Both are 7-bit ASCII, so
// they read the same in every ANSI code page, break lines with CR LF as an
// edit box expects, and end with a zero byte. They are made at build time
// from resources/texts/*.txt, byte for byte.

extern const char storedReadMeText[];
extern const int storedReadMeLength; // bytes before the zero byte

extern const char storedUserAgreementText[];
extern const int storedUserAgreementLength; // bytes before the zero byte

#endif
