// The resources that ship inside Pelmora.exe: the icon, the manifest and the version information.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "resources/Resource.h"

namespace {

// The path of the built program, as Wine sees it.
std::wstring ProgramPath() {
  std::string unixPath = PELMORA_EXE;
  std::replace(unixPath.begin(), unixPath.end(), '/', '\\');
  return L"Z:" + std::wstring(unixPath.begin(), unixPath.end());
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colorCount, reserved;
  WORD planes, bitCount;
  DWORD bytesInRes;
  WORD id;
};
struct GroupIconHeader {
  WORD reserved, type, count;
};
#pragma pack(pop)

class ProgramResources : public ::testing::Test {
protected:
  ProgramResources()
      : Module(LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~ProgramResources() override {
    if (Module) FreeLibrary(Module);
  }
  std::string Data(const wchar_t* type, const wchar_t* name) const {
    const HRSRC found = FindResourceW(Module, name, type);
    if (!found) return {};
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(Module, found)));
    return std::string(bytes, SizeofResource(Module, found));
  }
  HMODULE Module;
};

// 16 and 32 pixels in 16 and 256 colours for displays of few colours, and in true colour every size
// some display scale asks for, each drawn for its size (256 pixels as PNG).
TEST_F(ProgramResources, IconHasPaletteImagesAndATrueColourImageForEverySize) {
  ASSERT_NE(Module, nullptr);
  const std::string group = Data(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_MAINICON));
  ASSERT_GE(group.size(), sizeof(GroupIconHeader));
  const auto* header = reinterpret_cast<const GroupIconHeader*>(group.data());
  ASSERT_EQ(group.size(), sizeof(GroupIconHeader) + header->count * sizeof(GroupIconEntry));
  std::set<std::tuple<int, int, int>> images;
  const auto* entries = reinterpret_cast<const GroupIconEntry*>(group.data() + sizeof(GroupIconHeader));
  for (int i = 0; i < header->count; ++i) {
    EXPECT_EQ(entries[i].width, entries[i].height);
    const int size = entries[i].width == 0 ? 256 : entries[i].width;
    images.insert({size, entries[i].colorCount, entries[i].bitCount});
    const std::string image = Data(RT_ICON, MAKEINTRESOURCEW(entries[i].id));
    ASSERT_EQ(image.size(), entries[i].bytesInRes);
    if (image.starts_with("\x89PNG")) continue;
    // Each image is a real picture: some pixels drawn, some transparent.
    const size_t maskBytes = static_cast<size_t>(size) * ((size + 31) / 32 * 4);
    const std::string mask = image.substr(image.size() - maskBytes);
    EXPECT_NE(mask.find_first_not_of('\xff'), std::string::npos) << "not all transparent";
    EXPECT_NE(mask.find_first_not_of('\0'), std::string::npos) << "not a plain square";
  }
  const std::set<std::tuple<int, int, int>> expected{
      {16, 16, 4}, {32, 16, 4}, {16, 0, 8}, {32, 0, 8}, {16, 0, 32}, {20, 0, 32}, {24, 0, 32},
      {32, 0, 32}, {40, 0, 32}, {48, 0, 32}, {64, 0, 32}, {256, 0, 32}};
  EXPECT_EQ(images, expected);
  for (int size : {16, 20, 24, 32, 40, 48, 64, 256}) {
    const auto icon = static_cast<HICON>(LoadImageW(Module, MAKEINTRESOURCEW(IDI_MAINICON), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmMask, sizeof(bitmap), &bitmap);
    EXPECT_EQ(bitmap.bmWidth, size);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DestroyIcon(icon);
  }
}

// The pixels of the icon image drawn for `size` that are plainly red.
int RedPixels(HMODULE module, int id, int size) {
  const auto icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
  if (!icon) return -1;
  ICONINFO info{};
  GetIconInfo(icon, &info);
  BITMAPINFO format{};
  format.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<RGBQUAD> pixels(static_cast<size_t>(size) * size);
  const HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, info.hbmColor, 0, size, pixels.data(), &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  DestroyIcon(icon);
  if (rows != size) return -1;
  return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), [](const RGBQUAD& p) {
    return p.rgbRed >= 192 && p.rgbGreen <= 96 && p.rgbBlue <= 96;
  }));
}

// The tray shows the small-icon size (16 pixels at 96 DPI, 24 at 144): only the new-mail icon carries
// red, over a good part of the picture, so that a glance tells the two apart.
TEST_F(ProgramResources, OnlyTheNewMailIconCarriesARedMarkAtEveryTraySize) {
  ASSERT_NE(Module, nullptr);
  for (int size : {16, 20, 24, 32}) {
    EXPECT_EQ(RedPixels(Module, IDI_MAINICON, size), 0) << size;
    EXPECT_GE(RedPixels(Module, IDI_NEWMAILICON, size), size * size / 8) << size;
  }
}

TEST_F(ProgramResources, ManifestAsksForCommonControlsSix) {
  ASSERT_NE(Module, nullptr);
  const std::string manifest = Data(RT_MANIFEST, MAKEINTRESOURCEW(1));
  const size_t controls = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
  ASSERT_NE(controls, std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\"", controls), std::string::npos);
  // One manifest serves the 32-bit and the 64-bit build: a fixed processor is invalid for the other.
  EXPECT_EQ(manifest.find("processorArchitecture=\"x86\""), std::string::npos);
  EXPECT_NE(manifest.find("processorArchitecture=\"*\""), std::string::npos);
}

TEST_F(ProgramResources, ManifestDeclaresPerMonitorDpiAwarenessAndTheSupportedSystems) {
  ASSERT_NE(Module, nullptr);
  const std::string manifest = Data(RT_MANIFEST, MAKEINTRESOURCEW(1));
  EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
  EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
  // Vista, 7, 8, 8.1, 10 and 11.
  for (const char* id : {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                         "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                         "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {
    EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"{") + id + "}\"/>"), std::string::npos) << id;
  }
}

TEST(ProgramVersion, CarriesTheProgramsNameAndVersion) {
  const std::wstring path = ProgramPath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::string info(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  wchar_t* text = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\041104B0\\OriginalFilename", reinterpret_cast<void**>(&text),
                             &length));
  EXPECT_EQ(std::wstring(text), L"Pelmora.exe");
}

}  // namespace

namespace {

// The sizes, colour counts and depths of an icon group's images.
std::set<std::tuple<int, int, int>> ImagesOf(const std::string& group) {
  std::set<std::tuple<int, int, int>> images;
  if (group.size() < sizeof(GroupIconHeader)) return images;
  const auto* header = reinterpret_cast<const GroupIconHeader*>(group.data());
  if (group.size() != sizeof(GroupIconHeader) + header->count * sizeof(GroupIconEntry)) return images;
  const auto* entries = reinterpret_cast<const GroupIconEntry*>(group.data() + sizeof(GroupIconHeader));
  for (int i = 0; i < header->count; ++i)
    images.insert({entries[i].width == 0 ? 256 : entries[i].width, entries[i].colorCount, entries[i].bitCount});
  return images;
}

}  // namespace

// Each drawing for a taskbar has every image the icon of old has; the new-mail ones of the themed
// taskbars keep the red mark, high contrast tells by shape alone.
TEST_F(ProgramResources, EveryTaskbarDrawingHasEverySizeAndTellsNewMailApart) {
  ASSERT_NE(Module, nullptr);
  const auto expected = ImagesOf(Data(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_MAINICON)));
  for (int id : {IDI_MAINICON_LIGHT, IDI_NEWMAILICON_LIGHT, IDI_MAINICON_DARK, IDI_NEWMAILICON_DARK,
                 IDI_MAINICON_CONTRAST, IDI_NEWMAILICON_CONTRAST})
    EXPECT_EQ(ImagesOf(Data(RT_GROUP_ICON, MAKEINTRESOURCEW(id))), expected) << id;
  for (int size : {16, 20, 24, 32}) {
    for (int id : {IDI_MAINICON_LIGHT, IDI_MAINICON_DARK, IDI_MAINICON_CONTRAST, IDI_NEWMAILICON_CONTRAST})
      EXPECT_EQ(RedPixels(Module, id, size), 0) << id << " " << size;
    for (int id : {IDI_NEWMAILICON_LIGHT, IDI_NEWMAILICON_DARK})
      EXPECT_GE(RedPixels(Module, id, size), size * size / 8) << id << " " << size;
  }
}
