#pragma once

// The desktop as the logic needs it: the screen's size, message boxes, the user's number format
// and the end of the program. Rendering the model's windows is the window system's part
// (ui/model/window_host.h), which only the window model knows.

#include <string>

namespace dcf {

/// What a message box tells, shown by its icon.
enum class MessageKind {
    Information,
    Warning, ///< something keeps the program from doing what the user asked (a port failure)
    Error, ///< a fault of the program itself
};

/// The desktop: screen, windows, message boxes, the user's number format and the end of the
/// program.
class Desktop
{
public:
    virtual ~Desktop() = default;

    virtual float screenWidth() const = 0; ///< twips
    virtual float screenHeight() const = 0; ///< twips

    /// A message box with an OK button; returns when the user has closed it.
    virtual void showMessage(MessageKind kind, const std::string &title, const std::string &text)
        = 0;

    /// The decimal separator of the user's number format.
    virtual std::string decimalSeparator() const = 0;

    /// Ends the application once the program has closed its windows (Exit). Returns to the
    /// caller, which unwinds.
    virtual void quit() = 0;
};

} // namespace dcf
