#pragma once
// What each editing page (PSI, errors, activations) needs of the window beyond the controller and
// the dialogs: the window's editing mode and default, and the unknown-request list its drops take
// rows from.
#include <cstdint>
#include <functional>

class UnknownRequestList;

struct EditingPageHooks {
    std::function<bool()> Overwrite;                 // the hex editors' mode
    std::function<std::int32_t()> IntraFrameDefault; // of the entries an edit or a drop creates
    UnknownRequestList* UnknownRequests = nullptr;   // the rows a drop takes leave it
    std::function<void()> UnknownRequestsChanged;    // redraws the list after a drop
};
