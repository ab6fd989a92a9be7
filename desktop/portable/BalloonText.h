#pragma once
// The texts of a tray balloon fitted to what the shell keeps of them. No Windows API.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The most UTF-16 units of a balloon's text and title: NOTIFYICONDATAW holds them in szInfo[256] and
// szInfoTitle[64], each with its terminating null.
inline constexpr std::size_t kMaxBalloonText = 255;
inline constexpr std::size_t kMaxBalloonTitle = 63;

// `text` in at most `limit` units: whole characters (a surrogate pair is never split), ending in "…"
// only where something was cut.
std::u16string Shortened(std::u16string_view text, std::size_t limit);

// `notices`, then `warnings`, one a line, in at most `limit` units. Long notices are cut before a
// warning loses its first line: the notices keep up to half of `limit`, and where the warnings do not
// fit whole in the rest, each keeps its first line, ended by "…" where lines of it were left out.
std::u16string BalloonText(const std::vector<std::u16string>& notices, const std::vector<std::u16string>& warnings,
                           std::size_t limit = kMaxBalloonText);
