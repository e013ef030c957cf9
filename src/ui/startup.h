#pragma once

namespace dcf {

class Program;

/// Start-up of the main window: hides the date panel and centres the window.
void Form_Load(Program &program);

} // namespace dcf
