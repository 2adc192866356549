// The worker thread's one procedure: bring the private runtime and the jar cache up to date
// from the server and start the Java program. Every failure the user must know of is shown
// in a message box before it returns; it returns whatever the outcome.
#pragma once

void launch_sequence();
