#pragma once

#include <QtGlobal>

namespace md5z {

// Watches the application object's construction. When no display can be
// opened, Qt ends the program with abort() after a paragraph about
// reinstalling it; while this watches, that becomes one line on standard
// error saying no display could be opened, and exit status 1. The other
// messages of the construction are held back and passed on once it is
// known to have succeeded (or has failed for another reason). One at a time.
class DisplayOpening {
  public:
    DisplayOpening();
    ~DisplayOpening();
    DisplayOpening(const DisplayOpening&) = delete;
    DisplayOpening& operator=(const DisplayOpening&) = delete;

    // The application object exists: the held-back messages go out.
    void opened();

  private:
    bool watching_ = true;
};

}  // namespace md5z
