// The Win32 side of the reports: message boxes, window destruction and the
// process end, bound into the report routines at start-up.
#pragma once

#include "setup/portable/reports.h"

const ReportPlatform* Win32ReportPlatform();
