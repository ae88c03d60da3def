package tarvo;

/** One document of a node or outcome: title and path; the natives read the fields by name. */
public class DocItemInfo {
    public final String title;
    public final String path;

    public DocItemInfo(String title, String path) {
        this.title = title;
        this.path = path;
    }
}
