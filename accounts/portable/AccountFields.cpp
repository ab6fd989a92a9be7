#include "accounts/portable/AccountFields.h"

#include <string_view>

#include "accounts/portable/AccountConnection.h"
#include "accounts/portable/AccountTexts.h"

namespace accounts {

namespace {

constexpr std::string_view kActionCells[] = {kActionMessage, kActionSound, kActionCdTray};

std::optional<TAction> ActionOfCell(std::string_view cell) {
  for (std::size_t i = 0; i < std::size(kActionCells); ++i)
    if (cell == kActionCells[i]) return static_cast<TAction>(i);
  return std::nullopt;
}

std::optional<bool> IncludeOfCell(std::string_view cell) {
  if (cell == kInclude) return true;
  if (cell == kExclude) return false;
  return std::nullopt;
}

}  // namespace

TAccountFields NewAccountFields() {
  TAccountFields fields;
  fields.Include = true;
  fields.Action = TAction::Message;
  fields.Protocol = TProtocol::Pop3;
  fields.Security = TSecurity::Tls;
  fields.Port = std::to_string(DefaultPort(TProtocol::Pop3, TSecurity::Tls));
  return fields;
}

TAccountFields FieldsOfRow(const AccountTable& table, int row) {
  const auto cell = [&table, row](Column column) { return table.Cell(column, row); };
  TAccountFields fields;
  fields.Name = cell(ColName);
  fields.Include = IncludeOfCell(cell(ColInclude));
  fields.Host = cell(ColHost);
  fields.User = cell(ColUser);
  fields.Password = cell(ColPassword);
  fields.Action = ActionOfCell(cell(ColAction));
  fields.Protocol = ProtocolOfCell(cell(ColProtocol));
  fields.Security = SecurityOfCell(cell(ColSecurity));
  fields.Port = cell(ColPort).empty() && fields.Protocol && fields.Security
                    ? std::to_string(DefaultPort(*fields.Protocol, *fields.Security))
                    : cell(ColPort);
  fields.SoundFile = cell(ColSoundFile);
  fields.SignIn = cell(ColSignIn);
  return fields;
}

void StoreFields(AccountTable& table, int row, const TAccountFields& fields) {
  AccountTable::UpdateScope scope(table);
  table.SetCell(ColName, row, fields.Name);
  if (fields.Include) table.SetCell(ColInclude, row, *fields.Include ? kInclude : kExclude);
  table.SetCell(ColHost, row, fields.Host);
  table.SetCell(ColUser, row, fields.User);
  table.SetCell(ColPassword, row, fields.Password);
  if (fields.Action) table.SetCell(ColAction, row, kActionCells[static_cast<int>(*fields.Action)]);
  table.SetCell(ColSoundFile, row, fields.SoundFile);
  table.SetCell(ColSignIn, row, fields.SignIn);
  if (fields.Protocol) table.SetCell(ColProtocol, row, ProtocolCell(*fields.Protocol));
  if (fields.Security) table.SetCell(ColSecurity, row, SecurityCell(*fields.Security));
  // A stored protocol or security the dialog cannot name stays, and the port as shown: without both
  // no port is a default one. An empty field is the default port.
  if (fields.Protocol && fields.Security) {
    const int32_t port = PortOfField(fields.Port, *fields.Protocol, *fields.Security);
    table.SetCell(ColPort, row, PortCell(*fields.Protocol, *fields.Security, port));
  } else {
    table.SetCell(ColPort, row, fields.Port);
  }
}

}  // namespace accounts
