// The string table.
#pragma once
#include <QString>

#include "winbase/WinTypes.h"

// Empty for an id the table does not hold.
QString LoadResString(UINT id);
