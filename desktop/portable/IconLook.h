#pragma once
// Which drawing of the tray icon suits the taskbar: its theme and high contrast. No Windows API.
#include <cstdint>
#include <optional>
#include <string_view>

// AsBefore where Windows has no taskbar theme (before Windows 10): the icons of old.
enum class IconLook { AsBefore, ForLightTaskbar, ForDarkTaskbar, HighContrast };

// `systemUsesLightTheme`: the registry value of that name, nothing when it is missing; high contrast
// wins over any theme.
IconLook ChooseIconLook(std::optional<std::uint32_t> systemUsesLightTheme, bool highContrast);
// The resource of `look` for the icon whose resource of old is `id` (Resource.h keeps the steps).
int IconOfLook(int id, IconLook look);
// The area a WM_SETTINGCHANGE names when the taskbar's theme changed.
bool IsColourSetChange(std::u16string_view area);
