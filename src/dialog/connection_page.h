// The Connection and Advanced pages of the setup sheet: one page procedure
// for both, which fills empty server fields from the Informix client's own
// registry settings and draws its list items with an icon each.
#pragma once
#include <windows.h>

// The Informix client setting that fillFromClientRegistry looks up.
enum ClientSetting : int {
    clientServer = 0,   // the user's current server (INFORMIXSERVER)
    clientHost = 1,     // HOST of that server's SQLHOSTS entry
    clientProtocol = 2, // PROTOCOL of the entry
    clientService = 3,  // SERVICE of the entry
    clientUser = 4,     // USER of the entry's host in the client's NETRC key
};

INT_PTR CALLBACK connectionPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK advancedPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Fills control controlId of page from the client setting kind when the
// control is empty. 1 when it already had text or was filled, 0 when a
// key or value is missing, or a value does not fit in 31 characters.
int fillFromClientRegistry(HWND page, int controlId, int kind);
