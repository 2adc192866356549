#include "sequence/line_end.h"

#include <cstring>

void cut_at_line_end(char *text)
{
    char *carriage_return = strchr(text, '\r');
    char *line_feed = strchr(text, '\n');
    if (carriage_return)
        *carriage_return = 0;
    if (line_feed)
        *line_feed = 0;
}
