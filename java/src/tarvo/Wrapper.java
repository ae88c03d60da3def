package tarvo;

/**
 * Base of every Java object that owns an engine object. The engine object's address lives in
 * {@code ptrNative}; zero means there is none (never created, or already disposed of).
 */
public abstract class Wrapper {
    static {
        System.loadLibrary("vovido");
        nativeStaticInit();
    }

    /** Address of the engine object, read by the native methods. */
    protected long ptrNative;

    /** Destroys the engine object behind {@code ptrNative}. */
    protected abstract void deleteNative(long ptr);

    /**
     * Destroys the engine object. The address is cleared first, so a second call, or any native
     * call afterwards, raises TARVOException instead of touching freed memory.
     */
    public void dispose() {
        long ptr = ptrNative;
        if (ptr == 0) {
            throw new TARVOException("Object already disposed of");
        }
        ptrNative = 0;
        deleteNative(ptr);
    }

    private static native void nativeStaticInit();
}
