#pragma once
// The account dialog: one account's name, include flag, POP3 server, user, password and action.
// Created once at start-up, hidden until an account command shows it modally.
#include "toolkit/Form.h"

class TAccountForm1 : public TForm {
public:
  TAccountForm1();
};
