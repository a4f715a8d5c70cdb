#pragma once
// Who makes Quillon and which version this is, in one place for everything
// that names them: the version resource and the about box (resources/*.rc),
// the maker's pages (shell/MakerPages.h), the installer package (its build
// reads the numbers below) and the command-line tool. Plain macros, so that
// the resource compiler and portable code (no <windows.h>) both take them.
//
// The installer compares the first three numbers: raise one of them for every
// release, or an upgrade does not replace the installed version.

#define QUILLON_VERSION_MAJOR 2
#define QUILLON_VERSION_MINOR 0
#define QUILLON_VERSION_PATCH 0
#define QUILLON_VERSION_BUILD 0

#define QUILLON_PRODUCT_NAME "Quillon"
#define QUILLON_DESCRIPTION "Quillon, an editor for registry export files"
#define QUILLON_MAKER_NAME "Orvane"
#define QUILLON_HOME_PAGE "https://www.orvane.com/quillon/"
#define QUILLON_FEEDBACK_PAGE "https://www.orvane.com/quillon/feedback/"
#define QUILLON_COPYRIGHT "Copyright (C) Orvane"

#define QUILLON_VERSION_QUOTE_(text) #text
#define QUILLON_VERSION_QUOTE(text) QUILLON_VERSION_QUOTE_(text)
// "2.0.0": the version as people read it (the about box, --version, the
// installer's product version).
#define QUILLON_VERSION_TEXT \
    QUILLON_VERSION_QUOTE(QUILLON_VERSION_MAJOR.QUILLON_VERSION_MINOR.QUILLON_VERSION_PATCH)
// "2.0.0.0": the four numbers of the version resource.
#define QUILLON_VERSION_FULL_TEXT \
    QUILLON_VERSION_QUOTE(QUILLON_VERSION_MAJOR.QUILLON_VERSION_MINOR.QUILLON_VERSION_PATCH.QUILLON_VERSION_BUILD)
