#pragma once
// The addresses of the maker's pages: the Web site command and the about
// box's links take them from here. They live with the maker's name and the
// version in resources/Version.h.

#include "resources/Version.h"

namespace shell {

inline constexpr char kHomePage[] = QUILLON_HOME_PAGE;
inline constexpr char kFeedbackPage[] = QUILLON_FEEDBACK_PAGE;

}  // namespace shell
