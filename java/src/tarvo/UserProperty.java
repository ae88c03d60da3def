package tarvo;

/**
 * One user property of a network or node ({@link Network#getUserProperties()}): a name, which must be an
 * identifier (a letter followed by letters, digits and underscores), and a text value. The library reads
 * the fields by name.
 */
public class UserProperty {
    /** The property's name, unique in its list. */
    public final String name;
    /** The property's value, any text. */
    public final String value;

    /**
     * Makes a property.
     *
     * @param name the name
     * @param value the value
     */
    public UserProperty(String name, String value) {
        this.name = name;
        this.value = value;
    }
}
