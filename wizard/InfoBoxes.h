// InfoBoxes.h - the usage box and the about box, which the pages'
// "Usage..." and "About..." buttons show and the -h and -a flags too.
#ifndef QUORVEL_WIZARD_INFOBOXES_H
#define QUORVEL_WIZARD_INFOBOXES_H

// Each shows its box modal to owner (none: no owner), with the information
// icon and the program's caption. Both return 0.
int showUsage(void* owner);
int showAbout(void* owner);

// The usage box's text for the program's executable name, cut to size bytes
// and always terminated; an area of size < 1 is left alone.
void formatUsageText(char* text, int size);
// The about box's text.
const char* aboutText();

#endif
