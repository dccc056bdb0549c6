// IntroPages.h - TITLE, README and EULA: the welcome, the read-me notes and
// the user agreement that must be accepted before the wizard goes on.
#ifndef QUORVEL_WIZARD_INTROPAGES_H
#define QUORVEL_WIZARD_INTROPAGES_H

#include "PageFrame.h"

extern const PageLogic titlePage;
extern const PageLogic readMePage;
extern const PageLogic eulaPage;

#endif
