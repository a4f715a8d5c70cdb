#pragma once
// The addresses of the maker's pages: the Web site command and the about
// box's links take them from here.

namespace shell {

inline constexpr char kHomePage[] = "https://www.orvane.com/quillon/";
inline constexpr char kFeedbackPage[] = "https://www.orvane.com/quillon/feedback/";

}  // namespace shell
