// Resource identifiers of the program's own resources (program.rc): the application icon, the
// version record and the saver's name, which the system's screen-saver list shows (string 1).
#pragma once

#define IDI_KESTOR_APP 1
#define IDS_KESTOR_DESCRIPTION 1
