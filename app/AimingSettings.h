// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration keys of aiming at the station being worked, in the settings
// section: WSJTX, WSJTXADDRESS, WSJTXFOLLOW, CTYFILE, PARKHEADING, N1MMROTOR, N1MMPORT,
// N1MMNAME, N1MMADDRESS, PSTROTOR, PSTPORT, PSTADDRESS. Every listener is off by default.
// The program never writes them: a user who never sets them keeps the file as it was.
#pragma once

#include <string>
#include <vector>

#include "rotor/DatagramReceiver.h"
#include "toolkit/IniFile.h"

namespace skyvane {

// Where Debian's hamradio-files package puts its country file.
inline constexpr const char* DefaultCountryFile = "/usr/share/hamradio-files/cty.dat";

struct TAimingSettings {
    bool wsjtx = false;         // WSJTX: listen for WSJT-X's messages
    TUdpEndpoint wsjtxAddress;  // WSJTXADDRESS: 127.0.0.1:2237 unless set
    bool wsjtxFollow = false;   // WSJTXFOLLOW: turn by itself to each new DX call
    std::string countryFile = DefaultCountryFile;  // CTYFILE
    bool countryFileSet = false;                   // CTYFILE was given
    int parkHeading = 0;                           // PARKHEADING, 0 to 360
    bool n1mm = false;                             // N1MMROTOR
    TUdpEndpoint n1mmAddress;                      // N1MMADDRESS (127.0.0.1) and N1MMPORT
    std::string n1mmName = "Skyvane";              // N1MMNAME
    bool pst = false;                              // PSTROTOR
    TUdpEndpoint pstAddress;                       // PSTADDRESS (127.0.0.1) and PSTPORT
};

// One value that could not be used: "N1MMPORT=abc is not a port from 1 to 65535; Skyvane
// uses 12040."
struct TSettingProblem {
    std::string key;
    std::string value;
    std::string text;
};

// Reads the keys; a value that cannot be used leaves its default and adds one problem.
TAimingSettings ReadAimingSettings(const TCustomIniFile& ini,
                                   std::vector<TSettingProblem>* problems);

}  // namespace skyvane
