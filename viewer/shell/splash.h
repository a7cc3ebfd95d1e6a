// The product picture, and the splash window that shows it while the viewer
// starts: borderless, centred, 452 by 272 pixels, with "versiunea 3.0".
#ifndef CORVANA_VIEWER_SHELL_SPLASH_H_
#define CORVANA_VIEWER_SHELL_SPLASH_H_

#include <QPixmap>
#include <QSize>
#include <QSplashScreen>

namespace shell {

inline constexpr QSize kSplashSize{452, 272};

// The product's picture at `size`: its name over a page motif, drawn rather
// than shipped so that the program needs no picture files of its own.
QPixmap ProductPicture(QSize size);

class Splash : public QSplashScreen {
 public:
  Splash();
};

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_SPLASH_H_
