package tarvo;

import java.util.Objects;

/** Assertions of the Java tests; each failure is an AssertionError with what was expected. */
final class Check {
    interface Body {
        void run() throws Throwable;
    }

    private Check() {
    }

    static void isTrue(boolean condition, String what) {
        if (!condition) {
            throw new AssertionError(what);
        }
    }

    static void equal(Object expected, Object actual) {
        if (!Objects.equals(expected, actual)) {
            throw new AssertionError("expected <" + expected + "> but was <" + actual + ">");
        }
    }

    /** Runs the body and returns what it threw, which must be of the type. */
    static <T extends Throwable> T raises(Class<T> type, Body body) {
        try {
            body.run();
        } catch (Throwable thrown) {
            if (thrown instanceof UnsatisfiedLinkError && type != UnsatisfiedLinkError.class) {
                throw (UnsatisfiedLinkError) thrown;
            }
            if (type.isInstance(thrown)) {
                return type.cast(thrown);
            }
            throw new AssertionError("expected " + type.getSimpleName() + " but got " + thrown, thrown);
        }
        throw new AssertionError("expected " + type.getSimpleName() + " but nothing was thrown");
    }
}
