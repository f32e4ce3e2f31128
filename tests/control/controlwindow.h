#pragma once

#include "mainwindowfixture.h"

#include <QPushButton>

// The real main window, shown, worked through its controls as a user would.
using ControlWindow = MainWindowFixture;
