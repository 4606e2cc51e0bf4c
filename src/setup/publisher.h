// The publisher's name, years and web address as the setup shows them. This is the
// one place to change them; the welcome text and the failure message take them from
// here when the program is built.
#pragma once

// Three lines at the end of the welcome text, each ending in CR LF: the notice with
// the years of publication (three blanks in), the web address (17 blanks in), and
// after an empty line the trademark notice.
#define TSV_PUBLISHER_LINES                                                     \
  "   Copyright (C) 1997-1999 Brastel Software.\r\n"                          \
  "                 http://www.brastel.example/\r\n"                            \
  "\r\n"                                                                        \
  "Tessivo is a trademark of Brastel Software. All rights reserved.\r\n"

// Second sentence of the failure message: where to get a good copy.
#define TSV_PUBLISHER_REMEDY \
  "Please download a correct copy from the Brastel Software home page at http://www.brastel.example/."
