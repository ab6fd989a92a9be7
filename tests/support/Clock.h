#pragma once
// The steady clock and durations for the waits of tests. <chrono> itself can't be compiled where
// narrow texts are code page 932: its duration output writes "µs", which that code page lacks.
// <thread> brings the clocks and durations without that output.
#include <thread>
