// The chooser's message texts, byte for byte; message boxes break lines at "\r\r".
#pragma once

constexpr char kChooserMessageCaption[] = "Setup";

// The path field's text goes between the two halves.
constexpr char kInvalidPathStart[] = "The specified directory:\r\r";
constexpr char kInvalidPathEnd[] = "\r\ris invalid. Please, type a full path with drive letter.";

// The expanded folder goes between the two halves.
constexpr char kCreateFolderStart[] = "The directory:\r\r";
constexpr char kCreateFolderEnd[] = "\r\rdoes not exist. Do you want the directory to be created?";
