// Identifiers of the test's page templates and of the controls that only
// the test's own attribute table uses.
#pragma once

#define PAGE_ALL_CONTROLS 100 // every control of the driver's table
#define PAGE_GENERAL 101      // the name, the description, Database and one flag
#define PAGE_OWN_TABLE 102    // the controls of the test's own table

#define CONTROL_MODE_ALPHA 501
#define CONTROL_MODE_BETA 502
#define CONTROL_PASSWORD 503
#define CONTROL_TRACE 504
#define CONTROL_CHOICE 505
