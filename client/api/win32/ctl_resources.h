/* Resource identifiers of KAVORIN_Ctl.dll, shared by its .rc file and code. */
#ifndef KAVORIN_CTL_RESOURCES_H
#define KAVORIN_CTL_RESOURCES_H

#define IDD_LINK_STATUS 9001
#define IDC_STATUS_MAIN 9001
#define IDC_STATUS_SECOND 9002

#endif
