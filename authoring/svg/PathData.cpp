#include "authoring/svg/PathData.h"

#include "authoring/svg/Values.h"

namespace vemo::svg {

namespace {

int ArgumentCount(char upper) {
    switch (upper) {
    case 'M':
    case 'L':
    case 'T':
        return 2;
    case 'H':
    case 'V':
        return 1;
    case 'C':
        return 6;
    case 'S':
    case 'Q':
        return 4;
    case 'A':
        return 7;
    case 'Z':
        return 0;
    default:
        return -1;
    }
}

} // namespace

PathDataResult ParsePathData(std::string_view d, size_t maxPoints, Path* path) {
    Scanner scan(d);
    Point current;
    Point lastControl; // of the previous C/S (cubic) or Q/T (quadratic)
    char previous = 0; // upper-case previous command
    char command = 0;
    bool relative = false;
    bool first = true;
    scan.SkipSpace();
    while (!scan.AtEnd()) {
        if (path->pts.size() > maxPoints) {
            return PathDataResult::TooLarge;
        }
        char c = scan.Peek();
        char upper = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
        int count = ArgumentCount(upper);
        if (count >= 0) {
            scan.Advance(1);
            command = upper;
            relative = c != upper;
            if (first && command != 'M') {
                return PathDataResult::Error;
            }
            scan.SkipSpace();
        } else if (command == 0 || command == 'Z') {
            // Numbers without a command (or after Z, which takes none).
            return PathDataResult::Error;
        } else {
            count = ArgumentCount(command);
        }
        first = false;
        double v[7];
        for (int i = 0; i < count; ++i) {
            bool ok;
            if (command == 'A' && (i == 3 || i == 4)) {
                bool flag = false;
                ok = scan.Flag(&flag);
                v[i] = flag ? 1 : 0;
            } else {
                ok = scan.Number(&v[i]);
            }
            if (!ok) {
                return PathDataResult::Error;
            }
            if (i + 1 < count) {
                scan.SkipCommaSpace();
            }
        }
        double ox = relative ? current.x : 0;
        double oy = relative ? current.y : 0;
        switch (command) {
        case 'M':
            current = {ox + v[0], oy + v[1]};
            path->MoveTo(current);
            command = 'L'; // further pairs are line-tos
            break;
        case 'L':
            current = {ox + v[0], oy + v[1]};
            path->LineTo(current);
            break;
        case 'H':
            current = {ox + v[0], current.y};
            path->LineTo(current);
            break;
        case 'V':
            current = {current.x, oy + v[0]};
            path->LineTo(current);
            break;
        case 'C': {
            Point c1{ox + v[0], oy + v[1]};
            Point c2{ox + v[2], oy + v[3]};
            current = {ox + v[4], oy + v[5]};
            path->CubicTo(c1, c2, current);
            lastControl = c2;
            break;
        }
        case 'S': {
            Point c1 = current;
            if (previous == 'C' || previous == 'S') {
                c1 = {2 * current.x - lastControl.x, 2 * current.y - lastControl.y};
            }
            Point c2{ox + v[0], oy + v[1]};
            current = {ox + v[2], oy + v[3]};
            path->CubicTo(c1, c2, current);
            lastControl = c2;
            break;
        }
        case 'Q': {
            Point q{ox + v[0], oy + v[1]};
            current = {ox + v[2], oy + v[3]};
            path->QuadTo(q, current);
            lastControl = q;
            break;
        }
        case 'T': {
            Point q = current;
            if (previous == 'Q' || previous == 'T') {
                q = {2 * current.x - lastControl.x, 2 * current.y - lastControl.y};
            }
            current = {ox + v[0], oy + v[1]};
            path->QuadTo(q, current);
            lastControl = q;
            break;
        }
        case 'A':
            current = {ox + v[5], oy + v[6]};
            path->ArcTo(v[0], v[1], v[2], v[3] != 0, v[4] != 0, current);
            break;
        case 'Z':
            path->Close();
            current = path->SubpathStart();
            break;
        }
        previous = command;
        // The command just drawn may repeat; a separating comma is allowed between repeats,
        // but a comma right before a new command letter is an error.
        bool comma = scan.SkipCommaSpace();
        if (comma) {
            char n = scan.Peek();
            bool number = (n >= '0' && n <= '9') || n == '.' || n == '-' || n == '+';
            if (!number || command == 'Z') {
                return PathDataResult::Error;
            }
        }
    }
    if (path->pts.size() > maxPoints) {
        return PathDataResult::TooLarge;
    }
    return PathDataResult::Ok;
}

} // namespace vemo::svg
