// qelcleanup-screenshots FOLDER SUFFIX: the pictures of the windows for the
// README; the work is in gui/, the one layer that speaks to widgets.
#include "gui/Screenshots.h"

int main(int argc, char** argv)
{
    return qel::RunScreenshots(argc, argv);
}
