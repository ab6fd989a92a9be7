#pragma once
// Reading and writing account.dat: one line per account row, seven comma-separated fields, code
// page 932 text, CR LF after every line. A row with a connection of its own (security or port) has
// nine fields, an IMAP row ten, and a row that signs in eleven; a reader that knows fewer ignores the
// rest, and so reads an IMAP row as a POP3 account, and one that signs in as one with an empty
// password. Nothing here touches the disk: AccountFileSystem is the
// two operations the Win32 side supplies.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "accounts/portable/AccountTable.h"
#include "toolkit/Files.h"

namespace accounts {

// A longer line of the file is read as its first kMaxLineBytes bytes.
inline constexpr std::size_t kMaxLineBytes = 4096;

// The lines of a file's bytes. The text ends at the first NUL; CR LF, a lone CR and a lone LF each
// end a line; a line break at the very end starts no further line; each line is cut to its first
// maxLineBytes bytes (a byte count, even inside a double-byte character).
std::vector<std::string_view> SplitLines(std::string_view bytes, std::size_t maxLineBytes = kMaxLineBytes);

// The fields of one line: blanks (codes 1 to 32) around fields and after commas are skipped; a
// field is either quoted ("..." with "" standing for one ") or runs up to a comma or blank; a comma
// as the very last character adds an empty field; a double-byte character is stepped over whole.
// A quoted field without its closing quote takes the rest of the line. A NUL ends the line.
std::vector<std::string> SplitFields(std::string_view line);

// Whether the password cells go into the file, or are kept elsewhere and written empty.
enum class PasswordField { Written, Empty };

// Replaces all account rows of the table with the accounts in a file's bytes (the header row stays):
// RowCount() becomes the number of lines + 2, field k of each line goes to column k, fields after
// the eleventh are ignored and missing ones leave their cells empty.
void LoadAccounts(AccountTable& table, std::string_view bytes);

// The line for one account row, without its line break: seven fields while the file would hold
// nothing of the connection's cells, so such a line is what it always was; eleven when the account
// signs in, ten when it holds a protocol, nine otherwise.
// `quote` is put around the name, and around any other cell that would not read back unquoted; a
// double quote inside a quoted cell is doubled.
// What the file cannot hold is left out: a cell is written up to its first NUL, CR or LF, and a
// double-byte character cut short at the end of a cell loses its lone first byte unless it ends the
// line unquoted, the one place where it reads back.
std::string FormatAccountLine(const AccountTable& table, int row, std::string_view quote,
                              PasswordField passwords = PasswordField::Written);

// The whole file for rows 1 .. RowCount() - 2, each line followed by CR LF; empty for no accounts.
std::string SaveAccounts(const AccountTable& table, std::string_view quote,
                         PasswordField passwords = PasswordField::Written);

// "ファイル %s は開けません" and "ファイル %s を作成できません" with the full path for %s.
std::string CannotOpenText(std::string_view path);
std::string CannotCreateText(std::string_view path);

// The disk operations behind LoadAccountFile and SaveAccountFile.
class AccountFileSystem {
public:
  using ReadResult = TReadResult;

  virtual ~AccountFileSystem() = default;
  // The whole content of the file in `bytes`; Missing when there is no such file.
  virtual ReadResult ReadWhole(const std::string& path, std::string& bytes) = 0;
  // Replaces the file's whole content in one step (a temporary file beside it moved over it);
  // false when that failed, the old file then being whole.
  virtual bool ReplaceWhole(const std::string& path, std::string_view bytes) = 0;
};

// Loads the account file; a missing file is an empty table, so that a new user can start the
// program. Any other read failure throws Exception(CannotOpenText(path)) and leaves the table alone,
// so that no later save overwrites accounts that could not be read.
void LoadAccountFile(AccountTable& table, AccountFileSystem& files, const std::string& path);

// Saves the account rows; a failure throws Exception(CannotCreateText(path)).
void SaveAccountFile(const AccountTable& table, AccountFileSystem& files, const std::string& path,
                     std::string_view quote, PasswordField passwords = PasswordField::Written);

}  // namespace accounts
