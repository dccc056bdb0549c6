// ProgramTexts.h - the program's fixed texts: its name, the wizard's
// executable, revision and build, and the caption of every message box.
// All but the executable's name come from QuorvelVersion.h, so the boxes,
// the page titles, the version block and the tool's --version agree.
#ifndef QUORVEL_PRODUCT_PROGRAMTEXTS_H
#define QUORVEL_PRODUCT_PROGRAMTEXTS_H

#include "QuorvelVersion.h"

inline constexpr char AppProgramName[] = QUORVEL_NAME;
inline constexpr char AppExecutableName[] = "Quorvel.exe";
inline constexpr char AppRevision[] = QUORVEL_REVISION_TEXT;
inline constexpr char AppBuild[] = QUORVEL_BUILD_TEXT;
// The caption of every message box the program shows.
inline constexpr char AppCaption[] = QUORVEL_CAPTION;

#endif
