#include "desktop/portable/IconLook.h"

#include "resources/Resource.h"

IconLook ChooseIconLook(std::optional<std::uint32_t> systemUsesLightTheme, bool highContrast) {
  if (highContrast) return IconLook::HighContrast;
  if (!systemUsesLightTheme) return IconLook::AsBefore;
  return *systemUsesLightTheme != 0 ? IconLook::ForLightTaskbar : IconLook::ForDarkTaskbar;
}

int IconOfLook(int id, IconLook look) { return id + IDI_LOOKSTEP * static_cast<int>(look); }

bool IsColourSetChange(std::u16string_view area) { return area == u"ImmersiveColorSet"; }
