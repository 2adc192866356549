// Starts the Java program with the private runtime and the jar cache, and forgets it.
#pragma once

constexpr char java_launcher_class[] = "de.quorvantis.tessarixapp.TessarixAPP";

// Builds the command line (into a 261-byte buffer)
//   <java> -cp <jar cache>\* --add-opens=java.base/java.lang=ALL-UNNAMED
//   --add-exports=java.desktop/sun.awt=ALL-UNNAMED de.quorvantis.tessarixapp.TessarixAPP M
// and starts it detached in the current directory. A command line of more than 259
// characters starts nothing. Reports nothing either way.
void start_java(const char *main_class);

// The command line start_java would use; false when it is too long to start.
bool java_command_line(char (&out)[261], const char *main_class);
