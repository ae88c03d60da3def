package tarvo;

/** Every failure of a native method: a refused argument or an engine error with its logged text. */
public class TARVOException extends RuntimeException {
    private static final long serialVersionUID = 1L;

    public TARVOException(String message) {
        super(message);
    }
}
