// Default detection of the browser integration settings from the registry (used when the program
// starts without a database).
#pragma once

#include "database/settings.h"

// Fills s with the detected defaults: the browser that opens web pages (the "open" command of the
// ".HTM" file type, else ".HTML"), Netscape's install folder, the Favorites folder and Netscape's
// bookmark file; the browser choice and the download and import flags follow from what was found.
void DetectIntegrationDefaults(IntegrationSettings* s);
