#ifndef ORDINARYUSER_H
#define ORDINARYUSER_H

#include <QString>

// For what root may do and an operator may not (write into a read-only folder, open a node of a
// group they are not in): run as root, as the suite is in CI, a test function runs again in this
// test program as "nobody".
namespace OrdinaryUser {

struct Run
{
    bool asRoot = false; // false: this process is an ordinary user's; run the function here
    bool unreachable = false; // "nobody" may not run this program where it lies
    bool passed = false;
    QString output;
};

// Runs `function` of this test program (the row being run, in a function with rows) as "nobody"
// when this process is root's, and waits for it.
Run rerun(const char *function);

} // namespace OrdinaryUser

#endif // ORDINARYUSER_H
