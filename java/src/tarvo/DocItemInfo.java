package tarvo;

/**
 * One document attached to a node or an outcome ({@link Network#getNodeDocumentation(int)},
 * {@link Network#setOutcomeDocumentation(int, int, DocItemInfo[])}): a title and the path or address of
 * the document. The library reads the fields by name.
 */
public class DocItemInfo {
    /** The document's title, any text. */
    public final String title;
    /** The document's path or address, any text. */
    public final String path;

    /**
     * Makes a document entry.
     *
     * @param title the title
     * @param path the path or address
     */
    public DocItemInfo(String title, String path) {
        this.title = title;
        this.path = path;
    }
}
