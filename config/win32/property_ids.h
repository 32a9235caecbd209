#pragma once
// Resource ids shared by property.rc and the dialog code.
#define IDD_COM_PORT 130
#define IDC_PORT_EDIT 1039
