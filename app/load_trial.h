#pragma once
// What a profile load would do with the file, found before anything is sent.
//
// The rules are written once, here, for every page: the main window's own
// load (BACK_DIV, SET_DIV and every page's load, the very code "Load
// Profile..." runs) is run first against a stand-in device that takes every
// setting, in a copy of the program's state that writes no file; then its
// own save writes what each page holds into memory. That tells
//
// - what the file lacks: the keys a full save writes for this model (and for
//   this file's choices: the EID number of its EID class only) that the file
//   does not hold, which a load would put in as their defaults;
// - what a page would not send as the file gives it: a value it changes (a
//   ring delay of 10 sent as 9, a switch of 7 as 1) or leaves out (a time it
//   cannot read, a frame size out of range, a forwarding for a port without
//   an MSN, a number too long for the device).

#include "core/config_app.h"

#include <string>
#include <vector>

namespace quorvex::app {

struct LoadTrial {
    // "SECTION" for a section the file lacks whole, "SECTION/KEY" for a key
    // of a section it has, in save order.
    std::vector<std::string> lacking;
    // "SECTION/KEY=value" (the value as the file holds it), in save order.
    // Keys the program keeps for itself (language, sound, names, symbols,
    // providers) and keys the file lacks are not compared.
    std::vector<std::string> notAsGiven;
};

// The trial of a load of the file behind selector. Nothing reaches the device
// or a file.
LoadTrial tryLoad(core::CConfigApp& app, int selector);

// The word a restore prints behind a value not sent as given.
inline constexpr const char* kNotSentAsGiven = "not sent as given";

} // namespace quorvex::app
