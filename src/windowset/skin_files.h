#pragma once

// The skin bitmaps, relative to the installation folder. Every load reads
// the file anew, so a skin replaced while the program runs shows at once.
namespace skin {

struct ButtonLooks {
    const char *normal;
    const char *pressed;
};

inline constexpr ButtonLooks kBack{"imgs\\rew-but.bmp", "imgs\\rew-but-active.bmp"};
inline constexpr ButtonLooks kStop{"imgs\\s-but.bmp", "imgs\\s-but-active.bmp"};
inline constexpr ButtonLooks kForward{"imgs\\f-but.bmp", "imgs\\f-but-active.bmp"};
inline constexpr ButtonLooks kGo{"imgs\\go-but.bmp", "imgs\\go-but-active.bmp"};
inline constexpr ButtonLooks kRefresh{"imgs\\r-but.bmp", "imgs\\r-but-active.bmp"};

inline constexpr const char *kMainBackground = "imgs\\bgimg.bmp";
inline constexpr const char *kBrowserBanner = "imgs\\big-bgimg.bmp";

} // namespace skin
