// The system's own description of the thread's last error code.
#pragma once

// The text for GetLastError() in the user's default language, without the
// line end the system appends; "" when the code is 0 or the system has no
// text for it. The text stays valid until the next call (one process-wide
// buffer, released by that call).
const char* SystemErrorText();
