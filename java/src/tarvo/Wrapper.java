package tarvo;

/**
 * Base of every object of this library that owns an engine object: {@link Network}, {@link DiagNetwork},
 * {@link ValueOfInfo} and the learning classes of {@code tarvo.learning}. The constructor of each makes
 * its engine object; {@link #dispose()} destroys it. Engine objects live outside the Java heap and the
 * garbage collector does not free them, so dispose of every object when it is no longer needed. Loading
 * this class loads the native library "vovido" from {@code java.library.path}.
 *
 * <p>Threads: separate objects may be used from separate threads at the same time. One object, or a
 * network together with the objects bound to it, used from several threads needs the caller's lock around
 * every call.
 */
public abstract class Wrapper {
    /** The logger that the natives hand the warnings of a call that succeeds to. */
    private static final System.Logger WARNINGS = System.getLogger("tarvo");

    static {
        System.loadLibrary("vovido");
        nativeStaticInit();
    }

    /** Address of the engine object, read by the native methods; zero when there is none. */
    protected long ptrNative;

    /** Makes the wrapper without an engine object; the subclass's constructor makes it. */
    public Wrapper() {
    }

    /**
     * Destroys the engine object at the given address.
     *
     * @param ptr the address, never zero
     */
    protected abstract void deleteNative(long ptr);

    /**
     * Destroys the engine object. The address is cleared first, so a second call, or any other call
     * afterwards, throws instead of touching freed memory.
     *
     * @throws TARVOException when the object has already been disposed of ("Object already disposed of")
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
