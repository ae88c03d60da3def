package tarvo;

/**
 * Thrown by every method of the library that fails. The message is either the engine's report, "TARVO
 * error STATUS in function OPERATION" followed, when the engine logged any, by ". Logged information: "
 * and its messages one per line, or the text of a refused argument or state, such as "Invalid node handle:
 * 7" or "Object already disposed of". An argument that is refused changes nothing.
 */
public class TARVOException extends RuntimeException {
    private static final long serialVersionUID = 1L;

    /**
     * Makes the exception.
     *
     * @param message the failure's text
     */
    public TARVOException(String message) {
        super(message);
    }
}
