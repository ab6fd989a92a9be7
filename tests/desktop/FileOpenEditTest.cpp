#include "desktop/FileOpenEdit.h"

#include <dlgs.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "tests/support/UiProbe.h"
#include "toolkit/Application.h"
#include "toolkit/Form.h"
#include "toolkit/Text.h"

namespace {

// サウンドファイル (すべての種類)
const std::string kDescription =
    "サウンドファイル (すべての種類)";
const std::string kFilter =
    kDescription + "|*.mid;*.rmi;*.midi;*.asf;*.wm;*.wma;*.wmv;*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff;*.mp3";
const wchar_t* const kTitle = L"Pelmora browse test";

std::wstring NewTempFolder() {
  wchar_t base[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, base);
  const std::wstring folder = std::wstring(base) + L"pelmora-browse-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

void MakeFile(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
}

// What the dialog showed, read by the thread that answers it.
struct DialogSeen {
  std::wstring FileType;
  std::wstring PresetName;
  bool ReadOnlyBoxShown = true;
  bool Found = false;
};

// Waits for the open dialog of this process, notes what it shows, then types `name` and presses
// Open, or presses Cancel when `name` is empty.
std::thread AnswerDialog(std::wstring name, DialogSeen& seen) {
  return std::thread([name = std::move(name), &seen] {
    const HWND dialog = uiprobe::WaitForTopLevel(GetCurrentProcessId(), L"#32770", kTitle, 10000);
    if (!dialog) return;
    seen.Found = true;
    if (const HWND types = GetDlgItem(dialog, cmb1)) {
      wchar_t text[256] = {};
      if (SendMessageW(types, CB_GETLBTEXTLEN, 0, 0) < 255) SendMessageW(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
      seen.FileType = text;
    }
    const HWND readOnly = GetDlgItem(dialog, chx1);
    seen.ReadOnlyBoxShown = readOnly && IsWindowVisible(readOnly);
    if (name.empty()) {
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
      return;
    }
    HWND field = GetDlgItem(dialog, cmb13);
    if (!field) field = GetDlgItem(dialog, edt1);
    seen.PresetName = uiprobe::WindowText(field).utf16;
    SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  });
}

class FileOpenEditTest : public ::testing::Test {
protected:
  // One form for the suite: showing and hiding a window costs Wine seconds without a window manager.
  static void SetUpTestSuite() {
    Form = std::make_unique<TForm>("file", 300, 80);
    Form->Show();
  }
  static void TearDownTestSuite() { Form.reset(); }

  void SetUp() override {
    Field = std::make_unique<TFileOpenEdit>(*Form, TBounds{8, 8, 224, 21});
    Field->OnChange = [this](TObject* sender) {
      ++Changes;
      LastSender = sender;
    };
    Field->SetFocus();
    Application().ProcessMessages();
  }
  void TearDown() override { Field.reset(); }

  void Type(const char* text) {
    for (const char* c = text; *c; ++c) SendMessageW(Field->Handle(), WM_CHAR, static_cast<unsigned char>(*c), 0);
  }
  // Clicks the browse button; the dialog it opens is answered by `name` (empty: cancelled).
  DialogSeen Browse(const std::wstring& name) {
    DialogSeen seen;
    std::thread answer = AnswerDialog(name, seen);
    SendMessageW(Field->BrowseButton(), BM_CLICK, 0, 0);
    answer.join();
    return seen;
  }

  static inline std::unique_ptr<TForm> Form;
  std::unique_ptr<TFileOpenEdit> Field;
  int Changes = 0;
  TObject* LastSender = nullptr;
};

}  // namespace

TEST_F(FileOpenEditTest, TypingFiresOncePerLetterAndAnEqualTextNever) {
  Type("C:\\a.wav");
  EXPECT_EQ(Field->Filename(), "C:\\a.wav");
  EXPECT_EQ(Changes, 8);
  EXPECT_EQ(LastSender, Field.get());
  SendMessageW(Field->Handle(), WM_CHAR, VK_BACK, 0);
  EXPECT_EQ(Changes, 9);
  // A letter typed over itself leaves the text as it was.
  SendMessageW(Field->Handle(), EM_SETSEL, 0, 1);
  Type("C");
  EXPECT_EQ(Field->Filename(), "C:\\a.wa");
  EXPECT_EQ(Changes, 9);
  SendMessageW(Field->Handle(), EM_SETSEL, 0, -1);
  SendMessageW(Field->Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"D:\\b.wav"));
  EXPECT_EQ(Changes, 10);
}

TEST_F(FileOpenEditTest, ProgramAssignmentFiresOnlyForADifferentTextAndNeverWhileLoading) {
  const std::string path = "C:\\ペルモーラ\\ring.wav";
  Field->SetFilename(path);
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(Field->Filename(), path);
  Field->SetFilename(path);
  EXPECT_EQ(Changes, 1);
  Field->SetEnabled(false);  // disabled fields are assigned too
  Field->SetFilename("");
  EXPECT_EQ(Changes, 2);
  Field->SetLoading(true);
  Field->SetFilename("x.wav");
  Field->SetLoading(false);
  EXPECT_EQ(Changes, 2);
  Field->SetFilename("x.wav");
  EXPECT_EQ(Changes, 2);
}

TEST_F(FileOpenEditTest, BrowseButtonSitsInsideTheRightEdgeAndFollowsEnabled) {
  RECT client{}, button{}, text{};
  GetClientRect(Field->Handle(), &client);
  GetWindowRect(Field->BrowseButton(), &button);
  MapWindowPoints(nullptr, Field->Handle(), reinterpret_cast<POINT*>(&button), 2);
  EXPECT_EQ(button.right, client.right);
  EXPECT_EQ(button.right - button.left, TFileOpenEdit::kButtonWidth);
  EXPECT_EQ(button.top, 0);
  EXPECT_EQ(button.bottom, client.bottom);
  SendMessageW(Field->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  EXPECT_LE(text.right, button.left);
  Field->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(Field->BrowseButton()));
  Field->SetEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(Field->BrowseButton()));
}

TEST_F(FileOpenEditTest, BrowsePicksAFileWithTheFieldsDialogSettings) {
  const std::wstring folder = NewTempFolder();
  MakeFile(folder + L"\\bell.wav");
  Field->Filter = kFilter;
  Field->Title = Narrow(kTitle);
  Field->InitialDir = Narrow(folder);
  Field->DefaultExt = "wav";
  Field->SetFilename("C:\\old.wav");
  Changes = 0;

  // A bare name is looked up in the initial folder.
  const DialogSeen seen = Browse(L"bell.wav");
  ASSERT_TRUE(seen.Found);
  EXPECT_EQ(seen.FileType, Widen(kDescription));
  EXPECT_FALSE(seen.ReadOnlyBoxShown);
  EXPECT_EQ(seen.PresetName, L"");
  EXPECT_EQ(Widen(Field->Filename()), folder + L"\\bell.wav");
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(LastSender, Field.get());

  // The same path again, then a cancel: no change either time.
  EXPECT_TRUE(Browse(folder + L"\\bell.wav").Found);
  EXPECT_TRUE(Browse(L"").Found);
  EXPECT_EQ(Widen(Field->Filename()), folder + L"\\bell.wav");
  EXPECT_EQ(Changes, 1);

  DeleteFileW((folder + L"\\bell.wav").c_str());
  RemoveDirectoryW(folder.c_str());
}

// A path the field could not keep (a character code page 932 lacks, or longer than the field takes)
// is kept in its short form, which names the same file after a restart, or refused.
TEST_F(FileOpenEditTest, AChosenPathIsStoredSoThatItNamesTheSameFileOrRefused) {
  const std::wstring folder = NewTempFolder();
  // Not a DOS name, so the system makes a short one of ASCII letters.
  const std::wstring accented = folder + L"\\chime of the caf\u00e9.wav";
  ASSERT_NO_FATAL_FAILURE(MakeFile(accented));
  Field->Title = Narrow(kTitle);
  Field->SetMaxLength(260);

  ASSERT_TRUE(Browse(accented).Found);
  const std::wstring stored = Widen(Field->Filename());
  EXPECT_NE(stored, accented);
  wchar_t longForm[MAX_PATH] = {};
  ASSERT_NE(GetLongPathNameW(stored.c_str(), longForm, MAX_PATH), 0u) << Field->Filename();
  EXPECT_EQ(std::wstring(longForm), accented);

  EXPECT_EQ(StorablePath(L"C:\\sounds\\bell.wav", 260), "C:\\sounds\\bell.wav");
  // No file, so no short form either.
  EXPECT_EQ(StorablePath(L"C:\\" + std::wstring(300, L'a') + L".wav", 260), std::nullopt);
  EXPECT_EQ(StorablePath(L"C:\\missing\u00e9.wav", 260), std::nullopt);

  DeleteFileW(accented.c_str());
  RemoveDirectoryW(folder.c_str());
}

TEST_F(FileOpenEditTest, ANameWithoutExtensionGetsTheDefaultOneAndNoFilterShowsNoType) {
  const std::wstring folder = NewTempFolder();
  MakeFile(folder + L"\\chime.wav");
  Field->Title = Narrow(kTitle);
  Field->InitialDir = Narrow(folder);
  Field->DefaultExt = "wav";
  const DialogSeen seen = Browse(L"chime");
  ASSERT_TRUE(seen.Found);
  EXPECT_EQ(seen.FileType, L"");
  EXPECT_EQ(Widen(Field->Filename()), folder + L"\\chime.wav");
  EXPECT_EQ(Changes, 1);
  DeleteFileW((folder + L"\\chime.wav").c_str());
  RemoveDirectoryW(folder.c_str());
}
