#include <gtest/gtest.h>

#include "platform/classlib/classes_ext.h"

namespace {

class TPoint3 : public TPersistent {
public:
    int X = 0;
    void Assign(TPersistent* Source) override {
        if (auto* P = dynamic_cast<TPoint3*>(Source)) {
            X = P->X;
            return;
        }
        TPersistent::Assign(Source);
    }
};
class TOther : public TPersistent {};

TEST(Persistent, AssignCopiesOrRaisesWithBothClassNames) {
    TPoint3 A, B;
    B.X = 7;
    A.Assign(&B);
    EXPECT_EQ(A.X, 7);
    TOther O;
    try {
        A.Assign(&O);
        FAIL();
    } catch (const EConvertError& E) {
        EXPECT_EQ(E.Message, "Cannot assign a TOther to a TPoint3");
    }
    try {
        A.Assign(nullptr);
        FAIL();
    } catch (const EConvertError& E) {
        EXPECT_EQ(E.Message, "Cannot assign a nil to a TPoint3");
    }
}

}  // namespace
