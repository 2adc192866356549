// Texts from the server end at their first line break: version files end with one, and a
// descriptor's values may hold one.
#pragma once

// Ends the text before its first carriage return or line feed, whichever comes first. Both
// are looked for before either is cut.
void cut_at_line_end(char *text);
