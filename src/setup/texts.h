// The texts the setup shows, byte for byte. Message boxes break lines at "\r\r"; the
// edit control of the welcome text needs "\r\n".
#pragma once

#include "setup/publisher.h"

constexpr char kSetupTitle[] = "Orvanel 3.01 Setup";
constexpr char kMessageCaption[] = "Tessivo Setup";

constexpr char kWelcomeText[] =
    "Welcome to Tessivo (TM) v3.01 Setup Program.\r\n"
    "This program will install Tessivo on your computer.\r\n"
    "\r\n"
    "Before  proceeding, we recommend that you close all applications you may be running.\r\n"
    "\r\n" TSV_PUBLISHER_LINES;

// The required free space goes between the two halves as a decimal number.
constexpr char kLowDiskSpaceStart[] =
    "There is not enough disk space on the destination drive (at least ";
constexpr char kLowDiskSpaceEnd[] =
    "MB recommended). This may cause errors while installing or running Tessivo.\r\r"
    "Would you, nevertheless, wish to proceed now?";

constexpr char kCannotCreateFolder[] = "Cannot create destination directory:\r\r";

constexpr char kExitCaption[] = "Exit Setup";
constexpr char kExitQuestion[] = "Setup is not complete yet. Are you sure you want to exit setup now?";

constexpr char kNoAdminRights[] =
    "Administrator privileges are required to install Tessivo. If you continue, some features "
    "will not be available.\r\rWould you, nevertheless, wish to proceed now?";

constexpr char kSetupCorrupted[] =
    "Unable to extract data as the Setup file has been corrupted.\r\r" TSV_PUBLISHER_REMEDY;
