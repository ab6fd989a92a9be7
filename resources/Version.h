#pragma once
// The program's version: the one place it is defined. The version resource is made from it, and
// scripts/package reads it for the name of the release.
#define PELMORA_VERSION_MAJOR 1
#define PELMORA_VERSION_MINOR 0
#define PELMORA_VERSION_PATCH 0
