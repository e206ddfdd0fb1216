// The interactive part of a request: the property sheet in which the user
// edits the data source.
#pragma once

struct SetupContext;

// Runs the four-page sheet for a loaded request and gives back the
// request's use of the resource library. TRUE when the user confirmed
// with OK, FALSE when the sheet was cancelled or could not be shown.
int runSetupSheet(SetupContext* context);
