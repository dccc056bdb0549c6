// resource.h - ids shared by Quorvel.rc and the page code.
#ifndef QUORVEL_RESOURCES_RESOURCE_H
#define QUORVEL_RESOURCES_RESOURCE_H

// Dialog templates are named resources: the page table refers to each by the
// name below, so the names are strings, not numbers.
#define IDD_TITLE         "TITLE"
#define IDD_README        "README"
#define IDD_EULA          "EULA"
#define IDD_VENDER        "VENDER"
#define IDD_ARCAVIA       "ARCAVIA"
#define IDD_SELECTPRODUCT "SELECTPRODUCT"
#define IDD_SETDIR        "SETDIR"
#define IDD_SCAN          "SCAN"
#define IDD_SCANRESULTS   "SCANRESULTS"
#define IDD_CONVERTFILES  "CONVERTFILES"
#define IDD_DONE          "DONE"
#define IDD_MAIN          "MAIN"

// The program icon; the pages show it in their bottom left corner.
#define IDI_APP "A"

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// The dialog manager's commands for Enter (where no push button has the
// focus) and Esc; windows.h has them too, the portable page code not.
#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif

// Control ids. Pages reuse an id for the same role (1243 is every heading,
// 1244 every body text), so a name says the role, not the page.
#define IDC_EXIT                 1009 // "Exit"; "Finished!" on DONE
#define IDC_ABOUT                1221
#define IDC_USAGE                1222 // always hidden
#define IDC_BACK                 1223
#define IDC_NEXT                 1224
#define IDC_READ_ME              1225
#define IDC_DIRECTORY            1228 // SETDIR, MAIN: the directory edit
#define IDC_BROWSE               1229
#define IDC_OLD_STRING           1230 // MAIN
#define IDC_NEW_STRING           1231 // MAIN
#define IDC_REPORT               1232 // MAIN
#define IDC_DO_IT                1233 // MAIN
#define IDC_LOG                  1234 // MAIN: the log box
#define IDC_DESCRIPTION          1235 // MAIN
#define IDC_SAVE_AS_NEW          1236 // MAIN: the ".NEW" check box
#define IDC_SECOND_LINE          1238 // TITLE instruction; directory line of SCANRESULTS, DONE
#define IDC_FIRST_LINE           1239 // TITLE welcome; heading of SCANRESULTS, DONE
#define IDC_ACCEPT               1240 // EULA
#define IDC_DECLINE              1241 // EULA
#define IDC_AGREEMENT_TEXT       1242 // EULA
#define IDC_HEADING              1243
#define IDC_BODY                 1244
#define IDC_CHANNEL_BOX_COPY     1245 // VENDER, PurchaseChannel 1
#define IDC_CHANNEL_DOWNLOAD     1246 // VENDER, PurchaseChannel 2
#define IDC_CHANNEL_SUBSCRIPTION 1247 // VENDER, PurchaseChannel 3
#define IDC_PRODUCT_LIST         1247 // SELECTPRODUCT; same number as the radio above, other page
#define IDC_PROGRESS             1248 // SCAN, CONVERTFILES: the bar beneath the progress line
#define IDC_README_TEXT          1250 // README

#endif
