package tarvo;

/** One user property: a name (an identifier) and a value; the natives read the fields by name. */
public class UserProperty {
    public final String name;
    public final String value;

    public UserProperty(String name, String value) {
        this.name = name;
        this.value = value;
    }
}
